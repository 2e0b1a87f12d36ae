#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building, running and testing Brelon needs on Debian 12 or 13
# (or a system based on either), as root or through sudo. Installs only what
# is missing; safe to run again.
#   scripts/setup.sh            packages to build and run
#   scripts/setup.sh --test     also the packages the test suite uses
#   scripts/setup.sh --windows  also those that build the Windows program and
#                               test it under Wine (scripts/windows.sh)
#   scripts/setup.sh --web      also those that build the browser's program and
#                               test it in Chromium, Firefox and WebKit
#                               (scripts/web.sh)
#   scripts/setup.sh --lint     also those of the lint (scripts/lint.sh)
#   scripts/setup.sh --debootstrap  what makes the Debian 13 system
#                               (scripts/debian13.sh)
set -euo pipefail

sudo=()
if [[ "$(id -u)" -ne 0 ]]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror that fails once is asked again.
apt_get() { "${sudo[@]}" apt-get -o Acquire::Retries=3 "$@"; }

# The sanitizers' runtime of the clang the system installs as "clang" (14 on
# Debian 12, 19 on Debian 13): the clang installed, or the one apt would
# install.
sanitizer_runtime() {
  local version=
  if command -v clang >/dev/null; then
    version=$(clang -dumpversion)
  else
    if ! apt-cache show clang >/dev/null 2>&1; then
      apt_get update -qq
    fi
    version=$(apt-cache depends clang | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p')
    version=${version%%$'\n'*}
  fi
  if [[ -z "$version" ]]; then
    echo "setup: no clang package known to apt" >&2
    exit 1
  fi
  echo "libclang-rt-${version%%.*}-dev"
}

packages=(
  build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev
  fonts-liberation fonts-dejavu-core
)
case "${1:-}" in
--test)
  packages+=(
    xvfb xauth xdotool x11-utils x11-xserver-utils libx11-dev imagemagick
    dbus at-spi2-core python3-pyatspi
    qt6-base-private-dev libbenchmark-dev valgrind clang clang-format clang-tidy "$(sanitizer_runtime)"
    desktop-file-utils appstream dpkg-dev file git ccache
  )
  ;;
--windows)
  packages+=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 fonts-wine locales
    xvfb xauth xdotool x11-utils imagemagick librsvg2-bin nsis zip dpkg-dev
  )
  ;;
--web)
  packages+=(qt6-base-private-dev emscripten dpkg-dev python3 fonttools librsvg2-bin libbenchmark-dev ccache chromium
    firefox-esr webkit2gtk-driver xvfb xauth nodejs npm)
  ;;
--lint)
  # MinGW's headers: Windows' own sources are checked for Windows.
  packages+=(clang-format clang-tidy python3 git g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev)
  ;;
--debootstrap)
  packages=(debootstrap debian-archive-keyring git)
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

echo "Installing: ${missing[*]}"
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
