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

# One set-up at a time when tests start in parallel. A prefix counts as made
# only once its whole set-up has run: a mark says it is being made, another,
# written last, that it is whole. One half made by a failed or killed run is
# made again from nothing; a folder this script did not make is never wiped.
exec 9>"$prefix.lock"
flock 9
making=$prefix/.making-by-wine-run made=$prefix/.made-by-wine-run
# step TEXT COMMAND...: a step of the set-up; a failure says which, with Wine's
# own error messages, which the run's WINEDEBUG would hide. Only a failure of
# Wine itself returns, for the set-up to be tried again; any other ends the run.
step() {
  local text=$1 out
  shift
  out=$(WINEDEBUG=err+all "$@" </dev/null 2>&1) && return 0
  echo "wine-run.sh: setting up $prefix: $text failed (status $?):" >&2
  tail -n 15 <<<"$out" | sed 's/^/  /' >&2
  [ "$1" = "$loader" ] || [ "$1" = "$server" ] || exit 1
  return 1
}
make_prefix() {
  if [ -n "$(ls -A "$prefix")" ] && [ ! -f "$making" ]; then
    echo "wine-run.sh: $prefix holds what this script did not make: remove it to have a prefix made there" >&2
    exit 1
  fi
  "$server" -k 2>/dev/null || true
  # Emptied but for the mark, so that a run killed meanwhile leaves it marked.
  touch "$making" && find "$prefix" -mindepth 1 ! -path "$making" -delete &&
    step "making the prefix (wineboot -i)" "$loader" wineboot -i &&
    # No window manager here: without this Wine waits about 2 s on every closing window.
    step "turning window management off" "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f &&
    # A crash ends the process with a backtrace, instead of a dialog that waits for a click.
    step "turning the crash dialog off" "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f &&
    # Debian's Wine does not find its own Marlett: without it the caption buttons show letters.
    step "adding the Marlett font" cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" &&
    step "waiting for the set-up's processes to end" "$server" -w &&
    touch "$made"
}
# Wine's own start-up fails now and then: the set-up is tried once more.
if [ ! -f "$made" ] && ! make_prefix; then
  echo "wine-run.sh: making the prefix again from nothing, once" >&2
  make_prefix || exit 1
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
