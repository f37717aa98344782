#!/usr/bin/env bash
# Runs the full-disk test with a 4 MiB file system mapped as drive S: in the Wine prefix.
#   with_small_drive.sh WINE_RUN PREFIX TEST_PROGRAM
set -euo pipefail
runner=$1
prefix=$2
program=$3
mnt=$(dirname "$prefix")/smalldrive
mkdir -p "$mnt"
[ -d "$prefix/dosdevices" ] || "$runner" "$prefix" cmd /c exit >/dev/null

if mount -t tmpfs -o size=4m tandrel-small "$mnt" 2>/dev/null; then
  trap 'rm -f "$prefix/dosdevices/s:"; umount "$mnt"' EXIT
  ln -sfn "$mnt" "$prefix/dosdevices/s:"
  export TANDREL_SMALL_DRIVE=S:
else
  echo "cannot mount a small file system here (needs root); the full-disk test is skipped"
fi
"$runner" "$prefix" "$program" --gtest_filter=*FullDisk*
