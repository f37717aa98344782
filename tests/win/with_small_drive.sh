#!/usr/bin/env bash
# Runs a command with two drives in the Wine prefix that only root can mount:
# S:, a 4 MiB file system, and R:, read-only, holding PS\Filters.
#   with_small_drive.sh PREFIX COMMAND...
set -euo pipefail
prefix=$1
shift
small=$(dirname "$prefix")/smalldrive readonly=$(dirname "$prefix")/readonlydrive
for dir in "$small" "$readonly"; do  # what a run that was killed left mounted
  ! mountpoint -q "$dir" || umount "$dir"
done
mkdir -p "$small" "$readonly/PS/Filters" "$prefix/dosdevices"
echo "not ours" >"$readonly/PS/Filters/other maker.8bf"
cleanup=()
trap 'for c in "${cleanup[@]}"; do eval "$c"; done' EXIT
if mount -t tmpfs -o size=4m tandrel-small "$small"; then
  cleanup+=('rm -f "$prefix/dosdevices/s:"; umount "$small"')
  ln -sfn "$small" "$prefix/dosdevices/s:"
  export TANDREL_SMALL_DRIVE=S:
fi
if mount --bind "$readonly" "$readonly" && mount -o remount,bind,ro "$readonly"; then
  cleanup+=('rm -f "$prefix/dosdevices/r:"; umount "$readonly"')
  ln -sfn "$readonly" "$prefix/dosdevices/r:"
  export TANDREL_READONLY_DRIVE=R:
fi
"$@"
