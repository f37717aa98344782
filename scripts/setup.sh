#!/usr/bin/env bash
# Installs what building and testing needs on a Debian 12 machine. Silent and
# quick when all is there; otherwise one line for each step, the package
# manager's output in build/setup.log, and the log's end when a step fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

pkgs=(cmake ninja-build g++ make libgtest-dev googletest
      g++-mingw-w64-i686 binutils-mingw-w64-i686
      g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
      wine wine32:i386 wine64 fonts-wine xvfb xauth imagemagick fonts-wqy-microhei
      osslsigncode openssl unzip python3 locales)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Wine takes a process's ANSI code page from its locale: the tests run the
# program in code page 932 too, and Wine decodes file names right only when the
# glibc locale exists.
locales=(ja_JP.UTF-8)
missing_locales=()
for l in "${locales[@]}"; do
  locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || missing_locales+=("$l")
done
[ ${#missing[@]} -eq 0 ] && [ ${#missing_locales[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
log=$root/build/setup.log
mkdir -p "$root/build"
: >"$log"
# step TEXT COMMAND...: says TEXT, runs COMMAND with its output in the log.
step() {
  local text=$1
  shift
  echo "setup: $text"
  echo "=== $text" >>"$log"
  if ! "$@" </dev/null >>"$log" 2>&1; then
    echo "setup: FAILED: $text. The end of ${log#"$root"/}:" >&2
    tail -n 25 "$log" >&2
    exit 1
  fi
}
enable_locales() {
  for l in "${missing_locales[@]}"; do
    $SUDO sed -i "s/^# *\($l .*\)/\1/" /etc/locale.gen || return
    grep -q "^$l " /etc/locale.gen || echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen || return
  done
  $SUDO locale-gen
}

echo "setup: installing what is missing; the details go to ${log#"$root"/}"
if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    step "adding the i386 architecture (for 32-bit Wine)" $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  step "updating the package lists" $SUDO apt-get update
  step "installing ${missing[*]}" \
    $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
[ ${#missing_locales[@]} -eq 0 ] || step "generating the locales ${missing_locales[*]}" enable_locales
