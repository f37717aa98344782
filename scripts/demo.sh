#!/usr/bin/env bash
# The main job: builds tandrel.exe, lays out a demo medium with sample plug-ins,
# prepares a Wine prefix with Photoshop 5.0 registered, and runs the installer.
# With a display the user drives the dialog; without one it runs on a virtual
# screen and presses OK itself. Then it shows what was installed where.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
source scripts/machine.sh

demo=$root/build/demo
samples=$demo/samples
rm -rf "$samples"
mkdir -p "$samples"
for name in "Morvask Blur.8bf" "Morvask Sharpen.8bf" "Morvask Emboss.8bf"; do
  head -c 4096 /dev/urandom > "$samples/$name"
done
printf 'Morvask software plug-ins for Photoshop 5.0 and later.\r\n' > "$samples/ReadMe.txt"

cmake --no-warn-unused-cli -S . -B $WIN_TREE -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$WIN_TOOLCHAIN $WIN_STAND_IN \
  "-DTANDREL_PLUGINS=$(ls -d "$samples"/* | paste -sd ';')" >/dev/null
cmake --build $WIN_TREE --target medium autopilot >/dev/null
medium=$root/$WIN_TREE/medium

prefix=$demo/wineprefix${WINE_WIDTH#--}
run() { "$root/scripts/wine-run.sh" $WINE_WIDTH "$prefix" "$@"; }
trap 'run --stop' EXIT  # nothing of Wine's left running
plugins='C:\Program Files\Adobe\Photoshop 5.0\Plug-Ins'
run cmd /c mkdir "$plugins\\Filters" 2>/dev/null || true
run reg add 'HKLM\SOFTWARE\Adobe\Photoshop\5.0' /v PlugInPath /d "$plugins\\" /f $REG_VIEW >/dev/null

echo "Installer: $WIN_TREE/medium/Setup/tandrel.exe, $WIN_LABEL"
echo "Medium:    $medium"
echo "Photoshop: 5.0, PlugInPath = $plugins\\"
if [ -n "${DISPLAY:-}" ]; then
  echo "Running the installer on your display; press OK to install."
  run "$medium/Setup/tandrel.exe" || true
else
  echo "No display: running on a virtual screen and pressing OK."
  run "$root/$WIN_TREE/autopilot.exe" install "$medium/Setup/tandrel.exe"
fi

vendor="$prefix/drive_c/Program Files (x86)/Adobe/Photoshop 5.0/Plug-Ins/Filters/Morvask software"
[ -d "$vendor" ] || vendor="$prefix/drive_c/Program Files/Adobe/Photoshop 5.0/Plug-Ins/Filters/Morvask software"
echo
echo "Installed into $plugins\\Filters\\Morvask software:"
if [ -d "$vendor" ]; then
  (cd "$vendor" && ls -l --time-style=+ | tail -n +2)
else
  echo "  (nothing: the vendor folder was not created)"
fi
