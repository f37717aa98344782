#!/usr/bin/env bash
# Installs what is missing, builds the host and Windows trees, runs every test.
# The shipped 32-bit program runs under 32-bit Wine where this machine can run
# 32-bit code; the x86-64 build of the same sources runs under 64-bit Wine
# everywhere, beside it or in its place. The closing lines say which ran.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/machine.sh

jobs=$(nproc)
wine_tests=$([ "$RUNS_32BIT" = yes ] && echo ON || echo OFF)
cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/host -j "$jobs"
cmake --no-warn-unused-cli -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DTANDREL_WINE_TESTS=$wine_tests >/dev/null
cmake --build build/win -j "$jobs"
cmake --no-warn-unused-cli -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DTANDREL_STAND_IN=ON >/dev/null
cmake --build build/win64 -j "$jobs"

# One virtual screen for every Windows test; when the run ends, pass or fail,
# neither it nor any Wine process of the run is left.
stop_all() {
  bash scripts/wine-run.sh --32 build/win/wineprefix --stop
  bash scripts/wine-run.sh --64 build/win64/wineprefix --stop
  [ -z "$XVFB" ] || kill "$XVFB" 2>/dev/null || true
}
trap stop_all EXIT
start_screen build/screen

status=0
# run_tests TREE VARIABLE: the tree's tests; VARIABLE says how they went. A
# failure adds to a short account shown at the end, so that the last lines of a
# long run tell it: the first failed checks, and any case started that never
# ended (one a time limit cut off).
account=
run_tests() {
  if ctest --test-dir "$1" --output-on-failure; then printf -v "$2" passed; return; fi
  printf -v "$2" FAILED
  status=1
  local log=$1/Testing/Temporary/LastTest.log
  account+="In short, $1:"$'\n'$({
    grep -aE -A2 'Failure$|in vain' "$log" | head -n 9
    awk '/\[ RUN      \]/ { run = $0 } /\[ +(OK|FAILED|SKIPPED) +\]/ { run = "" } /^Test time/ { if (run) print "never ended: " run; run = "" }' "$log"
  } | cut -c1-200 || true)$'\n'
}
run_tests build/host host
run_tests build/win win
run_tests build/win64 win64

echo
printf %s "$account"
echo "Host tests: $host"
echo "Windows programs tested:"
if [ "$RUNS_32BIT" = yes ]; then
  echo "  build/win/tandrel.exe, the shipped 32-bit (i686) program, every test under 32-bit Wine: $win"
else
  echo "  build/win/tandrel.exe, the shipped 32-bit (i686) program, NOT RUN: $WHY_NOT_32BIT."
  echo "    Checked without running it (32-bit PE, GUI program, Known-DLL imports, elevation manifest, signed medium, rebuilt byte for byte): $win"
fi
echo "  build/win64/tandrel.exe, the x86-64 build of the same sources, every test under 64-bit Wine: $win64"
exit $status
