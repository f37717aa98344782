#!/usr/bin/env bash
# Runs a Windows program under Wine in a throwaway prefix:
#   wine-run.sh --32|--64 PREFIX PROGRAM [ARGS...]
#   wine-run.sh --32|--64 PREFIX --stop     ends what runs in the prefix
# --32: 32-bit Wine and a 32-bit prefix, for the shipped program; --64: 64-bit
# Wine, for the x86-64 build. Debian's `wine` always takes the 32-bit loader, so
# the loader and its server are called directly.
# The prefix is made on first use; a virtual screen is used when there is no display.
set -euo pipefail
case ${1:-} in
  --32) loader=/usr/lib/wine/wine   server=/usr/lib/wine/wineserver32 arch=win32 ;;
  --64) loader=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver64 arch=win64 ;;
  *) echo "usage: wine-run.sh --32|--64 PREFIX PROGRAM [ARGS...]" >&2; exit 2 ;;
esac
prefix=$(realpath -m "$2")
if [ "${3:-}" = --stop ]; then  # ends every process of the prefix, its server too
  WINEPREFIX=$prefix "$server" -k 2>/dev/null || true
  exit 0
fi

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

# A Wine that cannot start says why, in one line, instead of failing silently.
if ! why=$("$loader" --version 2>&1 >/dev/null); then
  why=$(head -n 1 <<<"$why" | sed 's/^[^:]*: line [0-9]*: //')
  echo "wine-run.sh: ${1#--}-bit Wine cannot start: ${why:-$loader failed}" >&2
  exit 126
fi
shift 2

export WINEPREFIX=$prefix WINEARCH=$arch WINELOADER=$loader WINESERVER=$server
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"

# One set-up at a time when tests start in parallel.
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/system.reg" ]; then
  "$loader" wineboot -i >/dev/null 2>&1
  # No window manager here: without this Wine waits about 2 s on every closing window.
  "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # Debian's Wine does not find its own Marlett: without it the caption buttons show letters.
  cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  "$server" -w
fi
# A crash ends the process with a backtrace, instead of a dialog that waits for
# a click; also in a prefix made before this was set.
if ! grep -q '"ShowCrashDialog"=dword:00000000' "$prefix/user.reg" 2>/dev/null; then
  "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
fi
"$server" -p 60 </dev/null >/dev/null 2>&1 || true
flock -u 9
exec 9>&-

# Wine's helper processes outlive the program and would inherit its output
# pipes, so a caller waiting for end of output (ctest) would wait forever.
out=$(mktemp); err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
# TIME_LIMIT (seconds), where set, ends a program that hangs while there is time
# to show what it printed: a caller's own limit would kill this script with it.
set +e
${TIME_LIMIT:+timeout -k 10 "$TIME_LIMIT"} "$loader" "$@" >"$out" 2>"$err" </dev/null
rc=$?
set -e
case $rc in 124 | 137) [ -z "${TIME_LIMIT:-}" ] || echo "wine-run.sh: ended after TIME_LIMIT=$TIME_LIMIT s" >>"$err" ;; esac
# Without the dialog, a crashed program may still end with status 0.
if [ $rc = 0 ] && grep -q '^wine: Unhandled' "$err"; then
  echo "wine-run.sh: the program crashed" >>"$err"
  rc=1
fi
cat "$out"
cat "$err" >&2
exit $rc
