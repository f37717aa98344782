#!/usr/bin/env bash
# A medium signed with a throwaway CA: the signature verifies against that CA and
# every changed byte breaks it; the zip holds the medium and nothing else; a wrong
# password fails without showing either password; and the signed program still
# installs (the row command, run on it).
#   signing_test.sh SOURCE_DIR EXE WORK [ROW_COMMAND...]
set -euo pipefail
src=$1 exe=$2 work=$3
shift 3
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work"
mkdir -p "$work/plugins"
printf a >"$work/plugins/a.8bf"
printf r >"$work/plugins/ReadMe.txt"

password=secret-$RANDOM$RANDOM wrong=wrong-$RANDOM$RANDOM
printf %s "$password" >"$work/password"
printf %s "$wrong" >"$work/wrong"
{
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=tandrel test CA" -keyout "$work/ca.key" -out "$work/ca.crt" \
    -addext "basicConstraints=critical,CA:true" -addext "keyUsage=critical,keyCertSign"
  openssl req -newkey rsa:2048 -nodes -subj "/CN=Morvask software test" -keyout "$work/signer.key" -out "$work/signer.csr"
  openssl x509 -req -days 2 -in "$work/signer.csr" -CA "$work/ca.crt" -CAkey "$work/ca.key" -CAcreateserial \
    -extfile <(printf 'extendedKeyUsage=codeSigning\nkeyUsage=critical,digitalSignature\n') -out "$work/signer.crt"
  openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.crt" -passout "file:$work/password" -out "$work/signer.p12"
} 2>/dev/null

# medium PASSWORD_FILE: lays out, signs and packs the medium as the build does.
medium() {
  cmake -DEXE="$exe" "-DPLUGINS=$work/plugins/a.8bf;$work/plugins/ReadMe.txt" -DMEDIUM="$work/medium" \
    -DZIP="$work/medium.zip" -DSIGN_PKCS12="$work/signer.p12" -DSIGN_PASSWORD_FILE="$1" -DSIGN_CAFILE="$work/ca.crt" \
    -P "$src/cmake/medium.cmake" >"$work/log" 2>&1
}
! medium "$work/wrong" || fail "signed with a wrong password"
! grep -qF -e "$password" -e "$wrong" "$work/log" || fail "a password in the build's output"
medium "$work/password" || { cat "$work/log"; fail "signing failed"; }

signed=$work/medium/Setup/tandrel.exe
# Accepted: the signature verifies and the header checksum it covers still holds.
accepted() { out=$(osslsigncode verify -CAfile "$work/ca.crt" -in "$1" 2>&1) && ! grep -q "invalid PE checksum" <<<"$out"; }
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

[ "$(unzip -Z1 "$work/medium.zip" | LC_ALL=C sort)" = "$(printf '%s\n' Setup/tandrel.exe photoshopplugins/ReadMe.txt photoshopplugins/a.8bf)" ] ||
  fail "the zip holds: $(unzip -Z1 "$work/medium.zip" | paste -sd ' ')"
unzip -p "$work/medium.zip" Setup/tandrel.exe | cmp -s - "$signed" || fail "the zip's program is not the signed one"
! grep -rqF "$password" "$work/medium" "$work/medium.zip" "$work/log" || fail "the password in a file the build wrote"

[ $# -eq 0 ] || TANDREL_EXE=$signed "$@"
