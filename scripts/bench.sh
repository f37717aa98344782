#!/usr/bin/env bash
# Benchmark: tandrel.exe under Wine against Wine's xcopy and native cp, and its
# start against a bare one-dialog program. Prints a table of medians.
#   bench.sh [RUNS]   (default 9)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-9}
bash scripts/setup.sh
source scripts/machine.sh
cmake --no-warn-unused-cli -S . -B $WIN_TREE -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=$WIN_TOOLCHAIN $WIN_STAND_IN >/dev/null
cmake --build $WIN_TREE --target tandrel autopilot bare_dialog bare_dialog_themed >/dev/null
bin=$root/$WIN_TREE

work=$root/build/bench
prefix=$work/wineprefix${WINE_WIDTH#--}
mkdir -p "$work"
winpath() { echo "Z:${1//\//\\}"; }

# One virtual screen and one Wine server for every run; neither left after.
run() { "$root/scripts/wine-run.sh" $WINE_WIDTH "$prefix" "$@"; }
trap 'run --stop; [ -z "$XVFB" ] || kill $XVFB 2>/dev/null || true' EXIT
start_screen "$work/screen"
pilot=$bin/autopilot.exe
run cmd /c exit
plugins="$prefix/drive_c/PS/Plug-Ins"
mkdir -p "$plugins/Filters"
run reg add 'HKLM\SOFTWARE\Adobe\Photoshop\5.0' /v PlugInPath /d 'C:\PS\Plug-Ins' /f $REG_VIEW >/dev/null
vendor="$plugins/Filters/Morvask software"

median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.1f", m}'; }
now_ms() { date +%s%N | awk '{printf "%.1f", $1/1e6}'; }

# medium NAME COUNT SIZE_KIB: a medium with COUNT files of SIZE_KIB each.
medium() {
  local m=$work/$1
  if [ ! -f "$m/.done" ]; then
    rm -rf "$m"; mkdir -p "$m/Setup" "$m/photoshopplugins"
    for i in $(seq 1 "$2"); do head -c $(( $3 * 1024 )) /dev/urandom > "$m/photoshopplugins/p$i.8bf"; done
    touch "$m/.done"
  fi
  cp "$bin/tandrel.exe" "$m/Setup/tandrel.exe"
  echo "$m"
}

declare -A result
bench_install() {
  local label=$1 m=$2 i tool
  local ts=() xs=() cs=()
  # The three take turns at going first: what ran before leaves the disk busy.
  local order=(tandrel xcopy cp)
  for i in $(seq "$runs"); do
    for tool in "${order[@]}"; do
      rm -rf "$vendor"; mkdir -p "$vendor"; sync
      case $tool in
        tandrel)
          rm -rf "$vendor"
          ts+=("$(run "$pilot" install "$(winpath "$m/Setup/tandrel.exe")" | sed -n 's/^install_ms //p')") ;;
        xcopy)
          xs+=("$(run "$pilot" run 'C:\windows\system32\xcopy.exe' "$(winpath "$m/photoshopplugins")\\*.*" \
                   '"C:\PS\Plug-Ins\Filters\Morvask software"' /I /Y /Q | sed -n 's/^run_ms //p')") ;;
        cp)
          local s; s=$(now_ms); cp "$m"/photoshopplugins/* "$vendor"/
          cs+=("$(awk -v a="$s" -v b="$(now_ms)" 'BEGIN{printf "%.1f", b-a}')") ;;
      esac
    done
    order=("${order[@]:1}" "${order[0]}")
  done
  result[$label]="$(printf '%s\n' "${ts[@]}" | median) $(printf '%s\n' "${xs[@]}" | median) $(printf '%s\n' "${cs[@]}" | median)"
}

bench_install "1,000 files of 64 KiB" "$(medium small 1000 64)"
bench_install "8 files of 128 MiB" "$(medium large 8 131072)"

starts() {
  local exe=$1 caption=$2 v=()
  for _ in $(seq "$runs"); do v+=("$(run "$pilot" start "$(winpath "$exe")" "$caption" | sed -n 's/^ready_ms //p')"); done
  printf '%s\n' "${v[@]}" | median
}
tandrel_start=$(starts "$bin/tandrel.exe" Tandrel)
bare_start=$(starts "$bin/bare_dialog.exe" Bare)
themed_start=$(starts "$bin/bare_dialog_themed.exe" Bare)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (b > 0) printf "%.2fx", a/b; else print "-" }'; }
echo
echo "Medians of $runs runs, milliseconds, $(nproc) cores, $(run --version)."
echo "Program: $WIN_TREE/tandrel.exe, $WIN_LABEL."
echo
echo "| install | tandrel.exe | Wine xcopy | native cp | tandrel / xcopy | tandrel / cp |"
echo "|---|---|---|---|---|---|"
for label in "1,000 files of 64 KiB" "8 files of 128 MiB"; do
  read -r t x c <<<"${result[$label]}"
  echo "| $label | $t | $x | $c | $(ratio "$t" "$x") | $(ratio "$t" "$c") |"
done
echo
echo "| start to dialog ready | tandrel.exe | bare dialog | tandrel / bare | bare dialog, tandrel's manifest | tandrel / that |"
echo "|---|---|---|---|---|---|"
echo "| | $tandrel_start | $bare_start | $(ratio "$tandrel_start" "$bare_start") | $themed_start | $(ratio "$tandrel_start" "$themed_start") |"
echo
size=$(stat -c %s "$bin/tandrel.exe")
imports=$($WIN_ARCH-w64-mingw32-objdump -p "$bin/tandrel.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | paste -sd ' ')
echo "tandrel.exe: $size bytes ($(( size / 1024 )) KiB); imports: $imports"
