#!/usr/bin/env bash
# Runs the full-disk test with a 4 MiB file system as drive S: in the Wine prefix (needs root).
#   with_small_drive.sh WINE_RUN PREFIX TEST_PROGRAM
set -euo pipefail
mnt=$(dirname "$2")/smalldrive
mkdir -p "$mnt" "$2/dosdevices"
if mount -t tmpfs -o size=4m tandrel-small "$mnt"; then
  trap 'rm -f "$2/dosdevices/s:"; umount "$mnt"' EXIT
  ln -sfn "$mnt" "$2/dosdevices/s:"
  export TANDREL_SMALL_DRIVE=S:
fi
"$1" "$2" "$3" --gtest_filter=*FullDisk*
