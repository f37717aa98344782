#!/usr/bin/env bash
# Runs a command with two drives in the Wine prefix that only root can mount:
# S:, a 4 MiB file system, and R:, read-only, holding PS\Filters.
#   with_small_drive.sh PREFIX COMMAND...
set -euo pipefail
prefix=$1
shift
small=$(dirname "$prefix")/smalldrive readonly=$(dirname "$prefix")/readonlydrive
mkdir -p "$small" "$readonly/PS/Filters" "$prefix/dosdevices"
# Also what a killed run left, mounted once or more.
unmount() {
  rm -f "$prefix/dosdevices/s:" "$prefix/dosdevices/r:"
  for d in "$small" "$readonly"; do while mountpoint -q "$d"; do umount "$d"; done; done
}
unmount
trap unmount EXIT
echo "not ours" >"$readonly/PS/Filters/other maker.8bf"
if mount -t tmpfs -o size=4m tandrel-small "$small"; then
  ln -sfn "$small" "$prefix/dosdevices/s:"
  export TANDREL_SMALL_DRIVE=S:
fi
if mount --bind "$readonly" "$readonly" && mount -o remount,bind,ro "$readonly"; then
  ln -sfn "$readonly" "$prefix/dosdevices/r:"
  export TANDREL_READONLY_DRIVE=R:
fi
"$@"
