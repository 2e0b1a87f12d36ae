#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Brelon for 64-bit Windows and tests it under Wine, as root or as a
# user with sudo:
#   scripts/windows.sh              everything: toolkit (once), program, packages, tests
#   scripts/windows.sh --no-tests   toolkit, program and packages only
#
# The toolkit is Qt 6.8 (long-term support) from Debian 13, whose own Qt 6.8
# supplies the tools that run during its build (moc, rcc and the rest must
# be of the same version): on any other system the script runs itself in
# the Debian 13 system of scripts/debian13.sh, with this checkout at the
# same path.
#
# 1. Installs what is missing (scripts/setup.sh --windows): mingw-w64, Wine
#    and its bitmap fonts, Xvfb tools, ImageMagick, NSIS.
# 2. The first time only: gets the toolkit's source (Debian's qt6-base, the
#    version of the installed qt6-base-dev) through apt, applies the patch
#    in packaging/windows/, and builds it static for Windows into
#    $BRELON_CACHE/qt-VERSION-mingw-static (default ~/.cache/brelon; in the
#    Debian 13 system /var/cache/brelon): about an hour on 2 cores. Later
#    runs reuse it.
# 3. Cross-builds Brelon from the same CMake project (build-windows/).
# 4. Packs build-windows/brelon-VERSION-windows-x64.zip and the installer
#    build-windows/brelon-VERSION-setup.exe.
# 5. Runs the Windows tests under Wine in their own Xvfb, in prefixes set up
#    as a Czech and a Western PC: the model's unit tests and the window's
#    held input, then the real brelon.exe in each prefix (its start-up
#    refusals, its window, the Start scene's bars against the scene
#    mathematics, Konec's exit status, the captions' faces at 758 × 571 and
#    maximised, clicks held during the longest run), then the installer and
#    the uninstaller.
#
# The toolkit build runs at the caller's priority; on a shared machine run
# the script as `nice -n 19 scripts/windows.sh`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=scripts/toolkit.sh
. scripts/toolkit.sh
start_build scripts/windows.sh "$@"

toolchain=$root/packaging/windows/mingw-w64-x86_64.cmake
build=$root/build-windows

begin "packages"
scripts/setup.sh --windows
end

# The toolkit's configuration. A mend to Debian's source: its tarball leaves
# out the header of the Wacom tablet interface (wintab.h), so the platform
# plugin's code for it is left out where the header is missing; pens still
# work through Windows' own pointer messages.
qt_configure=(
  -static -static-runtime -release -opensource -confirm-license
  -xplatform win32-g++ -qt-host-path /usr -no-pkg-config
  -qt-zlib -qt-libpng -qt-pcre -qt-freetype -qt-harfbuzz -qt-doubleconversion
  -nomake examples -nomake tests -nomake benchmarks
  -no-feature-network -no-feature-sql -no-feature-xml -no-feature-printsupport
  -no-feature-concurrent -no-feature-dbus -no-opengl -no-feature-vulkan
  -no-feature-jpeg -no-feature-gif -no-feature-zstd
)
qt_cmake=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
qt_patches=("$root"/packaging/windows/qtbase-*.patch)
qt_inputs=("$toolchain")
toolkit mingw-static

begin "Brelon: configure and build"
# This checkout's toolchain file, wherever the toolkit was built from.
# Debian's Qt leaves the plugins out of a program unless asked (it ships
# them in separate packages); a static program needs its platform's.
"$qt/bin/qt-cmake" -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" -DQT_SKIP_AUTO_PLUGIN_INCLUSION=OFF -DBRELON_WERROR=ON \
  --no-warn-unused-cli >/dev/null
cmake --build "$build" -j "$jobs"
end

begin "zip"
cmake --build "$build" --target windows-zip
end

begin "installer"
cmake --build "$build" --target windows-installer
end

exe=$build/brelon.exe
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
echo "== brelon.exe: $(stat -c %s "$exe") bytes, stripped; it imports:"
x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: /  /p'

if ((tests == 0)); then
  exit 0
fi

# The Wine prefixes live beside the toolkit, one for a Czech PC (code page
# 1250) and one for a Western one (1252); making one takes most of a minute
# once. The dialogs offering Mono and Gecko are switched off; the virtual
# screen of the tests has no other desktop.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if ! locale -a | grep -x 'cs_CZ.utf8' >/dev/null; then
  "${sudo[@]}" localedef -i cs_CZ -f UTF-8 cs_CZ.UTF-8
fi
# Set up as a PC is shipped: Windows' bitmap faces in its Fonts folder (Wine
# does not read them where Debian puts them), "MS Sans Serif" among them;
# Windows' outline faces "Times New Roman" and "Microsoft Sans Serif", which
# Wine lacks, played by Debian's Liberation fonts, and the dialog face
# pointing at the latter as on Windows.
prefix() {
  local name=$1 language=$2
  export WINEPREFIX=$cache/wine-$name LANG=$language
  unset LC_ALL
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    begin "Wine prefix ($name)"
    xvfb-run -a wineboot --init >/dev/null 2>&1
    wineserver -w
    end
  fi
  cp /usr/share/wine/fonts/*.fon "$WINEPREFIX/drive_c/windows/Fonts/"
  local fonts_reg
  fonts_reg=$(mktemp --suffix=.reg)
  cat >"$fonts_reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Times New Roman"="Liberation Serif"
"Microsoft Sans Serif"="Liberation Sans"
"MS Sans Serif"=-

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS Shell Dlg"="Microsoft Sans Serif"
"MS Shell Dlg 2"="Microsoft Sans Serif"
REG
  wine regedit /S "$(winepath -w "$fonts_reg")"
  wineserver -w
  rm -f "$fonts_reg"
}

prefix czech cs_CZ.UTF-8
begin "tests: the model under Wine"
ctest --test-dir "$build" --output-on-failure -j "$jobs"
# Which toolkit the tests ran on, as they report it.
grep -o 'Using QtTest library .*' "$build/Testing/Temporary/LastTest.log" | sort | uniq -c
end

# The Linux build of the bar checker judges the screenshots; it has a build
# folder of its own, so build/ is left as it is.
tools=$root/build-windows-tools
cmake -S "$root" -B "$tools" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRELON_BENCH=OFF -DBRELON_E2E=OFF >/dev/null
cmake --build "$tools" -j "$jobs" --target brelon-bars
for pc in czech:cs_CZ.UTF-8 western:C.UTF-8; do
  prefix "${pc%%:*}" "${pc#*:}"
  begin "tests: brelon.exe under Wine (${pc%%:*})"
  tests/windows/e2e.sh "$exe" "$tools/tests/windows/brelon-bars" "$build/tests/windows/brelon-bars.exe" \
    "$build/tests/windows/brelon-faces.exe" "$build/e2e-${pc%%:*}"
  echo "The screenshots are in $build/e2e-${pc%%:*} (the finished scene: scene.png)"
  end
done

begin "tests: the installer under Wine"
tests/windows/installer.sh "$build/brelon-$version-setup.exe" "$exe"
end

echo "== Windows: brelon.exe, $(basename "$build"/brelon-*-windows-x64.zip) and $(basename "$build"/brelon-*-setup.exe) built; every test under Wine passed"
