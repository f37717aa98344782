#!/usr/bin/env bash
# tandrel.exe: a 32-bit GUI program that imports nothing but Windows system DLLs.
set -euo pipefail
objdump=$1
exe=$2
headers=$("$objdump" -p "$exe")
fail=0
grep -q 'file format pei-i386' <<<"$headers" || { echo "not a 32-bit PE: $exe"; fail=1; }
grep -Eq '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || { echo "not a GUI program"; fail=1; }
allowed='^(kernel32|user32|advapi32|comctl32|gdi32|msvcrt)\.dll$'
while read -r dll; do
  if grep -Eqi "$allowed" <<<"$dll"; then
    echo "imports $dll"
  else
    echo "imports $dll, which is not a Windows system DLL"
    fail=1
  fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ $fail -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
