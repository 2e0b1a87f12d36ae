#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building, running and testing Brelon needs on Debian 12, as
# root or through sudo. Installs only what is missing; safe to run again.
#   scripts/setup.sh          packages to build and run
#   scripts/setup.sh --test   also the packages the test suite uses
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev
  fonts-liberation fonts-dejavu-core
)
if [[ "${1:-}" == "--test" ]]; then
  packages+=(
    xvfb xauth xdotool x11-utils x11-xserver-utils libx11-dev imagemagick
    dbus at-spi2-core python3-pyatspi
    libbenchmark-dev valgrind clang clang-format clang-tidy libclang-rt-14-dev
    desktop-file-utils appstream dpkg-dev file
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
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
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
