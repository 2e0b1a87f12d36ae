#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Brelon for 64-bit Windows on Debian 12 and tests it under Wine, as
# root or as a user with sudo:
#   scripts/windows.sh              everything: toolkit (once), program, packages, tests
#   scripts/windows.sh --no-tests   toolkit, program and packages only
#
# 1. Installs what is missing (scripts/setup.sh --windows): mingw-w64, Wine
#    and its bitmap fonts, Xvfb tools, ImageMagick, NSIS.
# 2. The first time only: gets the toolkit's source (Debian's qt6-base, the
#    version of the installed qt6-base-dev) through apt, applies the two
#    patches in packaging/windows/, and builds it static for Windows into
#    $BRELON_CACHE/qt-VERSION-mingw-static (default ~/.cache/brelon): about 40
#    minutes on 2 cores. Later runs reuse it.
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

tests=1
for arg in "$@"; do
  case "$arg" in
  --no-tests) tests=0 ;;
  *)
    echo "usage: scripts/windows.sh [--no-tests]" >&2
    exit 2
    ;;
  esac
done

cache=${BRELON_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/brelon}
toolchain=$root/packaging/windows/mingw-w64-x86_64.cmake
build=$root/build-windows
jobs=$(nproc)

sudo=()
if [[ "$(id -u)" -ne 0 ]]; then
  sudo=(sudo)
fi

# Each step's wall-clock time, printed at the end.
timings=()
step_start=0
begin() {
  echo "== $1"
  step_name=$1
  step_start=$(date +%s)
}
end() {
  local seconds=$(($(date +%s) - step_start))
  timings+=("$(printf '%-42s %4d min %02d s' "$step_name" $((seconds / 60)) $((seconds % 60)))")
}
summary() {
  echo "== Times"
  printf '%s\n' "${timings[@]}"
}
trap 'summary' EXIT

begin "packages"
scripts/setup.sh --windows
end

# The toolkit is built from the source of the installed qt6-base-dev: its
# upstream version names the folder, its whole Debian version is fetched.
debian_qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
qt_version=${debian_qt_version%%+*}
qt=$cache/qt-$qt_version-mingw-static

# The toolkit's configuration. A change here (or in a patch) builds it anew.
qt_features=(
  -no-feature-network -no-feature-sql -no-feature-xml -no-feature-printsupport
  -no-feature-concurrent -no-feature-dbus -no-opengl -no-feature-vulkan
  -no-feature-direct2d -no-feature-jpeg -no-feature-gif -no-feature-zstd
)
qt_configure=(
  -prefix "$qt" -static -static-runtime -release -opensource -confirm-license
  -xplatform win32-g++ -qt-host-path /usr -no-pkg-config
  -qt-zlib -qt-libpng -qt-pcre -qt-freetype -qt-harfbuzz -qt-doubleconversion
  -nomake examples -nomake tests -nomake benchmarks
  "${qt_features[@]}"
)
stamp=$(
  {
    echo "$debian_qt_version"
    printf '%s\n' "${qt_configure[@]}"
    cat "$toolchain" "$root"/packaging/windows/qtbase-*.patch
  } | sha256sum | cut -c1-16
)

# The deb-src entries of the machine's own apt sources, in a private apt
# folder: nothing in /etc/apt changes.
fetch_qt_source() {
  local apt=$cache/apt
  rm -rf "$apt"
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/archives/partial"
  local f
  shopt -s nullglob
  for f in /etc/apt/sources.list.d/*.sources; do
    # deb822: "Types: deb" becomes "Types: deb-src".
    sed -E 's/^(Types:.*[[:space:]])deb([[:space:]]|$)/\1deb-src\2/' \
      "$f" >"$apt/sources.list.d/$(basename "$f")"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f "$f" ]] || continue
    sed -n -E 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$f" >"$apt/sources.list.d/$(basename "$f")"
  done
  shopt -u nullglob
  local options=(
    -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache::Archives=$apt/archives"
    -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache=" -o "APT::Sandbox::User=root"
  )
  "${sudo[@]}" apt-get "${options[@]}" update -qq
  rm -rf "$cache/src"
  mkdir -p "$cache/src"
  (cd "$cache/src" && apt-get "${options[@]}" source -qq "qt6-base=$debian_qt_version" >"$cache/source.log" 2>&1) || {
    cat "$cache/source.log"
    exit 1
  }
  "${sudo[@]}" rm -rf "$apt"
}

if [[ ! -f "$qt/bin/qt-cmake" || "$(cat "$qt/brelon-stamp" 2>/dev/null)" != "$stamp" ]]; then
  begin "toolkit: source"
  fetch_qt_source
  src=$(echo "$cache"/src/qt6-base-*/)
  # Two mends to Debian's source: its tarball leaves out the tablet header
  # (wintab.h) that the Windows platform plugin's tablet code needs, so that
  # code is left out where the header is missing; and with direct2d off the
  # plugin must not refer to the DirectWrite font database that Gui then
  # does not build.
  for p in "$root"/packaging/windows/qtbase-*.patch; do
    patch -d "$src" -p1 --forward --quiet <"$p"
  done
  end

  begin "toolkit: configure"
  rm -rf "$cache/qt-build" "$qt"
  mkdir -p "$cache/qt-build"
  (cd "$cache/qt-build" && "$src/configure" "${qt_configure[@]}" -- -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake") >"$cache/configure.log" 2>&1 ||
    {
      tail -40 "$cache/configure.log"
      exit 1
    }
  end

  begin "toolkit: build"
  cmake --build "$cache/qt-build" -j "$jobs" >"$cache/build.log" 2>&1 || {
    grep -E -B2 -A10 'error|FAILED' "$cache/build.log" | head -60
    exit 1
  }
  end

  begin "toolkit: install"
  cmake --install "$cache/qt-build" >/dev/null
  echo "$stamp" >"$qt/brelon-stamp"
  # The build tree (about 2 GB) and the source are not needed any more.
  rm -rf "$cache/qt-build" "$cache/src"
  end
else
  echo "== toolkit: reusing $qt"
fi

begin "Brelon: configure and build"
# This checkout's toolchain file, wherever the toolkit was built from.
"$qt/bin/qt-cmake" -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" --no-warn-unused-cli >/dev/null
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
