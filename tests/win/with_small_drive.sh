#!/usr/bin/env bash
# Runs a command with a 4 MiB file system as drive S: in the Wine prefix (needs root).
#   with_small_drive.sh PREFIX COMMAND...
set -euo pipefail
prefix=$1
shift
mnt=$(dirname "$prefix")/smalldrive
mkdir -p "$mnt" "$prefix/dosdevices"
if mount -t tmpfs -o size=4m tandrel-small "$mnt"; then
  trap 'rm -f "$prefix/dosdevices/s:"; umount "$mnt"' EXIT
  ln -sfn "$mnt" "$prefix/dosdevices/s:"
  export TANDREL_SMALL_DRIVE=S:
fi
"$@"
