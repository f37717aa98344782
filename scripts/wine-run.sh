#!/usr/bin/env bash
# Runs a Windows program under Wine in a throwaway prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is made on first use; a virtual screen is used when there is no display.
set -euo pipefail
prefix=$1
shift

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$prefix" "$@"
fi

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"

# One set-up at a time when tests start in parallel.
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  # No window manager here: without this Wine waits about 2 s on every closing window.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # Debian's Wine does not find its own Marlett: without it the caption buttons show letters.
  cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  wineserver -w
fi
wineserver -p 60 </dev/null >/dev/null 2>&1 || true
flock -u 9
exec 9>&-

# Wine's helper processes outlive the program and would inherit its output
# pipes, so a caller waiting for end of output (ctest) would wait forever.
out=$(mktemp); err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
set +e
wine "$@" >"$out" 2>"$err" </dev/null
rc=$?
set -e
cat "$out"
cat "$err" >&2
exit $rc
