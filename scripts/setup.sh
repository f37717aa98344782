#!/usr/bin/env bash
# Installs what building and testing needs on a Debian 12 machine. Quick when all is there.
set -euo pipefail

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
if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
for l in "${missing_locales[@]}"; do
  $SUDO sed -i "s/^# *\($l .*\)/\1/" /etc/locale.gen
  grep -q "^$l " /etc/locale.gen || echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
done
[ ${#missing_locales[@]} -eq 0 ] || $SUDO locale-gen >/dev/null
