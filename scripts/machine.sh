# Sourced by the scripts: which Windows build this machine can run, asked once by
# running 32-bit code (the 32-bit Wine loader), never guessed from the kernel.
# TANDREL_NO_32BIT=1 answers no, so the 64-bit path can be tried anywhere.
# Sets RUNS_32BIT (yes or no), WHY_NOT_32BIT, and for the build to run:
#   WIN_ARCH, WIN_TREE, WIN_TOOLCHAIN, WIN_STAND_IN (for cmake), WINE_WIDTH (for wine-run.sh), REG_VIEW (for reg.exe), WIN_LABEL.
if [ "${TANDREL_NO_32BIT:-}" = 1 ]; then
  RUNS_32BIT=no WHY_NOT_32BIT="TANDREL_NO_32BIT=1 is set"
elif WHY_NOT_32BIT=$(/usr/lib/wine/wine --version 2>&1 >/dev/null); then
  RUNS_32BIT=yes WHY_NOT_32BIT=
else
  RUNS_32BIT=no
  WHY_NOT_32BIT="this machine cannot run 32-bit code ($(head -n 1 <<<"$WHY_NOT_32BIT" | sed 's/^[^:]*: line [0-9]*: //'))"
fi

if [ "$RUNS_32BIT" = yes ]; then
  WIN_ARCH=i686 WIN_TREE=build/win WINE_WIDTH=--32 REG_VIEW=/reg:32
  WIN_LABEL="the shipped 32-bit (i686) program, under 32-bit Wine"
else
  WIN_ARCH=x86_64 WIN_TREE=build/win64 WINE_WIDTH=--64 REG_VIEW=/reg:64
  WIN_LABEL="the x86-64 build of the same sources, under 64-bit Wine, in place of the shipped 32-bit program: $WHY_NOT_32BIT"
fi
WIN_TOOLCHAIN=cmake/mingw-$WIN_ARCH.cmake
WIN_STAND_IN=-DTANDREL_STAND_IN=$([ "$WIN_ARCH" = x86_64 ] && echo ON || echo OFF)

# start_screen FILE: where there is no display, one virtual screen for the
# script's Wine runs, its number passed through FILE. XVFB: its process, for
# the script to end; empty where a display was there already.
XVFB=
start_screen() {
  [ -z "${DISPLAY:-}" ] || return 0
  rm -f "$1"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1" 2>/dev/null &
  XVFB=$!
  until [ -s "$1" ]; do
    kill -0 $XVFB 2>/dev/null || { echo "$0: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
  done
  export DISPLAY=:$(cat "$1")
}
