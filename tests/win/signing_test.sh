#!/usr/bin/env bash
# What cmake/medium.* decides, with the osslsigncode installed (2.5 or 2.9):
# - a broken medium fails, says why and leaves no release, not even the one before;
#   a whole one leaves nothing half-written beside its release;
# - signed with a throwaway CA whose certificate names a revocation list at a
#   local address that notes every call: checked against the list given as a
#   file, or not checked on request, never over the network; a revoked
#   certificate fails;
# - the password is in no output and no file the build writes;
# - the PE checksum, which the signature does not cover, is checked, and the
#   program is the one built but for its signature;
# - the zip holds the medium, SHA256SUMS fits it, and the same plug-ins from
#   elsewhere, at other times, give the same bytes.
#   signing_test.sh SOURCE_DIR EXE WORK
set -euo pipefail
src=$1 exe=$2 work=$3
shift 3
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work"
mkdir -p "$work/plugins" "$work/other"
printf a >"$work/plugins/a.8bf"
printf r >"$work/plugins/ReadMe.txt"
printf A >"$work/other/A.8BF"
plugins="$work/plugins/a.8bf;$work/plugins/ReadMe.txt"

# The revocation list's address notes each call before it hangs up: no build may make one.
python3 -c 'import socket, sys
server = socket.create_server(("127.0.0.1", 0))
print(server.getsockname()[1], flush=True)
while True:
    call = server.accept()[0]
    open(sys.argv[1], "a").close()
    call.close()' "$work/fetched" >"$work/port" &
listener=$!
trap 'kill $listener' EXIT
until [ -s "$work/port" ]; do
  kill -0 $listener || fail "the revocation list's address did not open"
  sleep 0.1
done

password=secret-$RANDOM$RANDOM
printf %s "$password" >"$work/password"
touch "$work/index.txt"
printf '[ca]\ndefault_ca=test\n[test]\ndatabase=%s\ncertificate=%s\nprivate_key=%s\ndefault_md=sha256\ndefault_crl_days=2\n' \
  "$work/index.txt" "$work/ca.crt" "$work/ca.key" >"$work/ca.cnf"
{
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=tandrel test CA" -keyout "$work/ca.key" -out "$work/ca.crt" \
    -addext "basicConstraints=critical,CA:true" -addext "keyUsage=critical,keyCertSign,cRLSign"
  openssl req -newkey rsa:2048 -nodes -subj "/CN=Morvask software test" -keyout "$work/signer.key" -out "$work/signer.csr"
  openssl x509 -req -days 2 -in "$work/signer.csr" -CA "$work/ca.crt" -CAkey "$work/ca.key" -CAcreateserial -out "$work/signer.crt" \
    -extfile <(printf 'extendedKeyUsage=codeSigning\nkeyUsage=critical,digitalSignature\ncrlDistributionPoints=URI:http://127.0.0.1:%s/ca.crl\n' "$(cat "$work/port")")
  openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.crt" -passout "file:$work/password" -out "$work/signer.p12"
  openssl ca -config "$work/ca.cnf" -gencrl -out "$work/good.crl"
  openssl ca -config "$work/ca.cnf" -revoke "$work/signer.crt"
  openssl ca -config "$work/ca.cnf" -gencrl -out "$work/revoked.crl"
} >/dev/null 2>&1

# medium DIR PLUGINS [ARGS...]: the medium as the build makes it, in DIR, its output in DIR/log.
medium() {
  local dir=$1 list=$2
  shift 2
  mkdir -p "$dir"
  cmake -DEXE="$exe" "-DPLUGINS=$list" -DMEDIUM="$dir/medium" -DZIP="$dir/medium.zip" "$@" \
    -P "$src/cmake/medium.cmake" >"$dir/log" 2>&1
}
sign=(-DSIGN_PKCS12="$work/signer.p12" -DSIGN_PASSWORD_FILE="$work/password" -DSIGN_CAFILE="$work/ca.crt")

# refused NAME TEXT PLUGINS [ARGS...]: fails, says TEXT, and leaves only its log.
refused() {
  local name=$1 text=$2 dir=$work/refused/${1// /-}
  shift 2
  mkdir -p "$dir/medium"
  echo old | tee "$dir/medium.zip" >"$dir/SHA256SUMS"
  ! medium "$dir" "$@" || fail "$name: packed"
  grep -qF -- "$text" "$dir/log" || { cat "$dir/log"; fail "$name: the output does not say $text"; }
  [ "$(ls "$dir")" = log ] || fail "$name: left $(ls "$dir" | paste -sd ' ')"
}
refused "no plug-ins" "No plug-ins" ""
refused "names equal but for case" "$work/other/A.8BF" "$plugins;$work/other/A.8BF"
refused "a missing plug-in" "The plug-in $work/plugins/none.8bf is not a file." "$plugins;$work/plugins/none.8bf"
refused "a folder as plug-in" "The plug-in $work/other is not a file." "$plugins;$work/other"
refused "a revoked certificate" "Verifying the signature" "$plugins" "${sign[@]}" -DSIGN_CRLFILE="$work/revoked.crl"

medium "$work/unchecked" "$plugins" "${sign[@]}" -DSIGN_CHECK_REVOCATION=OFF || { cat "$work/unchecked/log"; fail "signing unchecked failed"; }
medium "$work/signed" "$plugins" "${sign[@]}" -DSIGN_CRLFILE="$work/good.crl" || { cat "$work/signed/log"; fail "signing failed"; }
[ "$(LC_ALL=C ls "$work/signed" | paste -sd ' ')" = "SHA256SUMS log medium medium.zip" ] ||
  fail "beside the release: $(LC_ALL=C ls "$work/signed" | paste -sd ' ')"
! grep -rqF "$password" "$work/refused" "$work/unchecked" "$work/signed" || fail "the password in the build's output or a file it wrote"
[ ! -e "$work/fetched" ] || fail "a revocation list fetched over the network"

signed=$work/signed/medium/Setup/tandrel.exe
cp "$signed" "$work/tampered.exe"
at=$(($(od -An -tu4 -j60 -N4 "$signed" | tr -d ' ') + 88))  # the checksum field
printf "\\x$(printf %02x $(($(od -An -tu1 -j"$at" -N1 "$signed") ^ 0xff)))" | dd of="$work/tampered.exe" bs=1 seek="$at" conv=notrunc 2>/dev/null
! python3 "$src/cmake/medium.py" checksum "$work/tampered.exe" 2>/dev/null || fail "a wrong PE checksum passes"
osslsigncode remove-signature -in "$signed" -out "$work/unsigned.exe" >/dev/null 2>&1
cmp -s "$work/unsigned.exe" "$exe" || fail "without its signature the program is not the one built"

zip=$work/signed/medium.zip
[ "$(unzip -Z1 "$zip")" = "$(printf '%s\n' Setup/tandrel.exe photoshopplugins/ReadMe.txt photoshopplugins/a.8bf)" ] ||
  fail "the zip holds: $(unzip -Z1 "$zip" | paste -sd ' ')"
unzip -p "$zip" Setup/tandrel.exe | cmp -s - "$signed" || fail "the zip's program is not the signed one"
(cd "$work/signed" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not fit the zip"

# The same plug-ins copied elsewhere, with other times and modes, listed in
# another order: the same bytes; the entries dated SOURCE_DATE_EPOCH, or 1980.
cp -r "$work/plugins" "$work/copy"
touch -d @1000000000 "$work/copy/a.8bf"
chmod 600 "$work/copy/ReadMe.txt"
(unset SOURCE_DATE_EPOCH && medium "$work/undated" "$plugins")
SOURCE_DATE_EPOCH=1700000001 medium "$work/dated" "$plugins"
SOURCE_DATE_EPOCH=1700000001 medium "$work/dated-elsewhere" "$work/copy/ReadMe.txt;$work/copy/a.8bf"
cmp "$work/dated/medium.zip" "$work/dated-elsewhere/medium.zip" || fail "the same medium gave another zip"
for dir in undated:19800101.000000 dated:20231114.221320; do
  [ "$(unzip -ZT "$work/${dir%:*}/medium.zip" | awk '/^-/ { print $7 }' | sort -u)" = "${dir#*:}" ] || fail "${dir%:*} zip misdated"
done
