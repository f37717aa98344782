#!/usr/bin/env bash
# Installs what is missing, builds the host and Windows trees, runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/host -j "$jobs"
cmake --no-warn-unused-cli -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win -j "$jobs"

status=0
ctest --test-dir build/host --output-on-failure || status=1
ctest --test-dir build/win --output-on-failure || status=1
exit $status
