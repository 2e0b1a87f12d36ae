#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building, running and testing Brelon needs on Debian 12, as
# root or through sudo. Installs only what is missing; safe to run again.
#   scripts/setup.sh            packages to build and run
#   scripts/setup.sh --test     also the packages the test suite uses
#   scripts/setup.sh --windows  also those that build the Windows program and
#                               test it under Wine (scripts/windows.sh)
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev
  fonts-liberation fonts-dejavu-core
)
case "${1:-}" in
--test)
  packages+=(
    xvfb xauth xdotool x11-utils x11-xserver-utils libx11-dev imagemagick
    dbus at-spi2-core python3-pyatspi
    libbenchmark-dev valgrind clang clang-format clang-tidy libclang-rt-14-dev
    desktop-file-utils appstream dpkg-dev file
  )
  ;;
--windows)
  packages+=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 fonts-wine locales
    xvfb xauth xdotool x11-utils imagemagick librsvg2-bin nsis zip dpkg-dev
  )
  ;;
esac

missing=()
for p in "${packages[@]}"; do
  # The status read whole, not piped into grep -q: under pipefail a writer
  # cut short by grep's early exit would count the package as missing.
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    missing+=("$p")
  fi
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=()
if [[ "$(id -u)" -ne 0 ]]; then
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# A mirror that fails once is asked again.
"${sudo[@]}" apt-get -o Acquire::Retries=3 update -qq
"${sudo[@]}" apt-get -o Acquire::Retries=3 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
