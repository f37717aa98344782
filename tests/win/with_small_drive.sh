#!/usr/bin/env bash
# Runs a command with two drives in the Wine prefix that only root can mount:
# S:, a 4 MiB file system, and R:, read-only, holding PS\Filters.
#   with_small_drive.sh PREFIX COMMAND...
set -euo pipefail
prefix=$1
shift
small=$(dirname "$prefix")/smalldrive readonly=$(dirname "$prefix")/readonlydrive
mkdir -p "$small" "$readonly/PS/Filters" "$prefix/dosdevices"
[ -e "$readonly/PS/Filters/other maker.8bf" ] || echo "not ours" >"$readonly/PS/Filters/other maker.8bf"
trap 'rm -f "$prefix/dosdevices/s:" "$prefix/dosdevices/r:"; for d in "$small" "$readonly"; do ! mountpoint -q "$d" || umount "$d"; done' EXIT
if mount -t tmpfs -o size=4m tandrel-small "$small"; then
  ln -sfn "$small" "$prefix/dosdevices/s:"
  export TANDREL_SMALL_DRIVE=S:
fi
if mount --bind "$readonly" "$readonly" && mount -o remount,bind,ro "$readonly"; then
  ln -sfn "$readonly" "$prefix/dosdevices/r:"
  export TANDREL_READONLY_DRIVE=R:
fi
"$@"
