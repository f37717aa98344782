#!/usr/bin/env bash
# The medium as the build makes it, with the osslsigncode of a fresh Debian 12
# (2.5) or a newer one (2.9):
# - signed with a throwaway CA whose certificate names a revocation list at an
#   address nothing answers: checked against the list given as a file, or not
#   checked on request, and never over the network;
# - the signature verifies and every changed byte breaks it (the PE checksum,
#   which it does not cover, checked on its own); removing it gives back the
#   unsigned program byte for byte; the zip holds the medium, SHA256SUMS fits it;
# - a broken medium fails, says why, shows no password and leaves no release,
#   not even the one before;
# - unsigned, the same plug-ins from elsewhere, at other times, give the same zip;
# - the signed program still installs (the row command, run on it).
#   signing_test.sh SOURCE_DIR EXE WORK [ROW_COMMAND...]
set -euo pipefail
src=$1 exe=$2 work=$3
shift 3
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work"
mkdir -p "$work/plugins"
printf a >"$work/plugins/a.8bf"
printf r >"$work/plugins/ReadMe.txt"
plugins="$work/plugins/a.8bf;$work/plugins/ReadMe.txt"

password=secret-$RANDOM$RANDOM wrong=wrong-$RANDOM$RANDOM
printf %s "$password" >"$work/password"
printf %s "$wrong" >"$work/wrong"
touch "$work/index.txt"
printf '[ca]\ndefault_ca=test\n[test]\ndatabase=%s\ncertificate=%s\nprivate_key=%s\ndefault_md=sha256\ndefault_crl_days=2\n' \
  "$work/index.txt" "$work/ca.crt" "$work/ca.key" >"$work/ca.cnf"
{
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=tandrel test CA" -keyout "$work/ca.key" -out "$work/ca.crt" \
    -addext "basicConstraints=critical,CA:true" -addext "keyUsage=critical,keyCertSign,cRLSign"
  openssl req -newkey rsa:2048 -nodes -subj "/CN=Morvask software test" -keyout "$work/signer.key" -out "$work/signer.csr"
  openssl x509 -req -days 2 -in "$work/signer.csr" -CA "$work/ca.crt" -CAkey "$work/ca.key" -CAcreateserial -out "$work/signer.crt" \
    -extfile <(printf 'extendedKeyUsage=codeSigning\nkeyUsage=critical,digitalSignature\ncrlDistributionPoints=URI:http://127.0.0.1:9/ca.crl\n')
  openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.crt" -passout "file:$work/password" -out "$work/signer.p12"
  openssl ca -config "$work/ca.cnf" -gencrl -out "$work/good.crl"
  openssl ca -config "$work/ca.cnf" -revoke "$work/signer.crt"
  openssl ca -config "$work/ca.cnf" -gencrl -out "$work/revoked.crl"
} >/dev/null 2>&1

# medium DIR PLUGINS [ARGS...]: lays out, signs (given the arguments) and packs a
# medium in DIR as the build does, its output in DIR/log.
medium() {
  local dir=$1 list=$2
  shift 2
  mkdir -p "$dir"
  cmake -DEXE="$exe" "-DPLUGINS=$list" -DMEDIUM="$dir/medium" -DZIP="$dir/medium.zip" "$@" \
    -P "$src/cmake/medium.cmake" >"$dir/log" 2>&1
}
sign=(-DSIGN_PKCS12="$work/signer.p12" -DSIGN_CAFILE="$work/ca.crt")

# refused NAME TEXT PLUGINS [ARGS...]: fails, says TEXT, and leaves only its log.
refused() {
  local name=$1 text=$2 dir=$work/refused/${1// /-}
  shift 2
  mkdir -p "$dir/medium"
  echo old >"$dir/medium.zip"
  echo old >"$dir/SHA256SUMS"
  ! medium "$dir" "$@" || fail "$name: packed"
  grep -qF -- "$text" "$dir/log" || { cat "$dir/log"; fail "$name: the output does not say $text"; }
  [ "$(ls "$dir")" = log ] || fail "$name: left $(ls "$dir" | paste -sd ' ')"
}
mkdir -p "$work/other"
printf A >"$work/other/A.8BF"
refused "no plug-ins" "No plug-ins" ""
refused "names equal but for case" "$work/other/A.8BF" "$plugins;$work/other/A.8BF"
refused "a missing plug-in" "$work/plugins/none.8bf" "$plugins;$work/plugins/none.8bf"
refused "a wrong password" "$work/signer.p12" "$plugins" "${sign[@]}" -DSIGN_PASSWORD_FILE="$work/wrong" \
  -DSIGN_CRLFILE="$work/good.crl"
refused "a revoked certificate" "Verifying the signature" "$plugins" "${sign[@]}" -DSIGN_PASSWORD_FILE="$work/password" \
  -DSIGN_CRLFILE="$work/revoked.crl"

# Off the network: no revocation check asked for.
medium "$work/unchecked" "$plugins" "${sign[@]}" -DSIGN_PASSWORD_FILE="$work/password" -DSIGN_CHECK_REVOCATION=OFF ||
  { cat "$work/unchecked/log"; fail "signing without a revocation check failed"; }
medium "$work/signed" "$plugins" "${sign[@]}" -DSIGN_PASSWORD_FILE="$work/password" -DSIGN_CRLFILE="$work/good.crl" ||
  { cat "$work/signed/log"; fail "signing failed"; }
! grep -rqF -e "$password" -e "$wrong" "$work/refused" "$work/unchecked" "$work/signed" ||
  fail "a password in the build's output or a file it wrote"

signed=$work/signed/medium/Setup/tandrel.exe
offline=()
[[ $(osslsigncode --help 2>&1) != *-ignore-cdp* ]] || offline=(-ignore-cdp)
accepted() {
  osslsigncode verify -CAfile "$work/ca.crt" -CRLfile "$work/good.crl" "${offline[@]}" -in "$1" >/dev/null 2>&1 &&
    python3 "$src/cmake/medium.py" checksum "$1" 2>/dev/null
}
accepted "$signed" || fail "the signed program does not verify"
size=$(stat -c %s "$signed") pe=$(od -An -tu4 -j60 -N4 "$signed" | tr -d ' ')
# Every part of the file, the checksum field among them; not the zeros that pad
# the signature to eight bytes, which no signature covers.
for at in 0 $((pe + 88)) $(seq 500 $(((size - 8) / 40)) $((size - 8))); do
  cp "$signed" "$work/tampered.exe"
  byte=$(od -An -tu1 -j"$at" -N1 "$signed" | tr -d ' ')
  printf "\\x$(printf %02x $((byte ^ 0xff)))" | dd of="$work/tampered.exe" bs=1 seek="$at" conv=notrunc 2>/dev/null
  ! accepted "$work/tampered.exe" || fail "byte $at changed, and the signature still holds"
done
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
for dir in undated dated; do
  times=$(unzip -ZT "$work/$dir/medium.zip" | awk '/^-/ { print $7 }' | sort -u)
  [ "$times" = "$([ $dir = undated ] && echo 19800101.000000 || echo 20231114.221320)" ] || fail "$dir zip dated $times"
done
cmp "$work/dated/medium.zip" "$work/dated-elsewhere/medium.zip" || fail "the same medium gave another zip"

[ $# -eq 0 ] || TANDREL_EXE=$signed "$@"
