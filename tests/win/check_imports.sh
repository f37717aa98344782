#!/usr/bin/env bash
# tandrel.exe: a 32-bit GUI program (x86-64 only in a tree made to stand in for
# it, where 32-bit code cannot run) that imports only Known DLLs
# and ntdll (none ever taken from the program's folder), asks to run elevated, and is never
# per-monitor DPI aware without Windows' own rescaling.
#   check_imports.sh OBJDUMP EXE [stand-in]
set -euo pipefail
headers=$("$1" -p "$2")
fail=0
format=pei-i386
[ "${3:-}" != stand-in ] || format=pei-x86-64
grep -q "file format $format\$" <<<"$headers" || { echo "not a $format file"; fail=1; }
grep -Eq '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || { echo "not a GUI program"; fail=1; }
while read -r dll; do
  grep -Eqi '^(ntdll|kernel32|user32|advapi32|msvcrt)\.dll$' <<<"$dll" || { echo "imports $dll"; fail=1; }
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
grep -q 'level="requireAdministrator"' "$2" || { echo "the manifest does not ask for elevation"; fail=1; }
# Per-monitor v1 leaves the dialog at its old size on another screen: nothing here handles WM_DPICHANGED.
! grep -Eqa 'true/pm|PerMonitor(,|<)' "$2" || { echo "the manifest declares per-monitor (v1) DPI awareness"; fail=1; }
exit $fail
