#!/usr/bin/env bash
# tandrel.exe: a 32-bit GUI program that imports only Known DLLs (never taken
# from the program's folder) and asks to run elevated.
set -euo pipefail
headers=$("$1" -p "$2")
fail=0
grep -q 'file format pei-i386' <<<"$headers" || { echo "not a 32-bit PE"; fail=1; }
grep -Eq '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || { echo "not a GUI program"; fail=1; }
while read -r dll; do
  grep -Eqi '^(kernel32|user32|advapi32|msvcrt)\.dll$' <<<"$dll" || { echo "imports $dll"; fail=1; }
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
grep -q 'level="requireAdministrator"' "$2" || { echo "the manifest does not ask for elevation"; fail=1; }
exit $fail
