#!/usr/bin/env bash
# Takes docs/dialog.png and docs/about.png from the real program under Wine,
# on a virtual screen unless there is a display. Run scripts/demo.sh once first (it builds the medium).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/machine.sh
prefix=$root/build/demo/wineprefix${WINE_WIDTH#--}
exe=$root/$WIN_TREE/medium/Setup/tandrel.exe
[ -f "$exe" ] || { echo "run scripts/demo.sh first" >&2; exit 1; }
mkdir -p docs

shots=$(mktemp -d)
trap 'rm -rf "$shots"; "$root/scripts/wine-run.sh" $WINE_WIDTH "$prefix" --stop' EXIT
echo "Taking the pictures of $WIN_TREE/medium/Setup/tandrel.exe, $WIN_LABEL"
"$root/scripts/wine-run.sh" $WINE_WIDTH "$prefix" "$root/$WIN_TREE/autopilot.exe" shot "$exe" "Z:${shots//\//\\}"
convert "$shots/dialog.bmp" docs/dialog.png
convert "$shots/about.bmp" docs/about.png
echo "docs/dialog.png docs/about.png"
