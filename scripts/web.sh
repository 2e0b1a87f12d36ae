#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Brelon for the browser and tests it in Chromium, Firefox and WebKit,
# as root or as a user with sudo:
#   scripts/web.sh              everything: toolkit (once), program, page, tests
#   scripts/web.sh --no-tests   toolkit, program and page only
#   scripts/web.sh --tools BUILD   the tests judge with BUILD's bar checker,
#                               a desktop build of the Debian 13 system
#                               (scripts/test.sh's), rather than building one
#
# 1. Installs what is missing (scripts/setup.sh --web): emscripten, the
#    fonts, Chromium, Firefox, WebKitGTK's driver, node and npm.
# 2. The first time only: builds Qt for WebAssembly from Debian's source
#    (scripts/toolkit.sh) with what the program does not use left out, into
#    $BRELON_CACHE/qt-VERSION-wasm (in the Debian 13 system,
#    /var/cache/brelon): about ten minutes on 2 cores.
# 3. Builds Brelon with it (build-wasm/) and puts the site together in
#    build-web/: index.html starts Brelon full-page; everything it needs is
#    in the folder, ready to copy to any static web host.
# 4. Tests the site in Chromium, Firefox and WebKit (tests/web/site.js),
#    and the number rules compiled for the browser under node.
#
# Serve it with `python3 -m http.server -d build-web` and open the address.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=scripts/toolkit.sh
. scripts/toolkit.sh
start_build scripts/web.sh "$@"

begin "packages"
scripts/setup.sh --web
end

# Debian's emscripten, its settings as Debian made them. Qt's build looks for
# it in an emsdk: a folder whose .emscripten names where emscripten lies in
# it, emsdk_path + '/upstream/emscripten'; Debian's is linked there.
export EMSDK=$cache/emsdk EM_CONFIG=/usr/share/emscripten/.emscripten
if [[ ! -e "$EMSDK/upstream/emscripten/emcc" ]]; then
  rm -rf "$EMSDK"
  mkdir -p "$EMSDK/upstream/emscripten"
  ln -s /usr/share/emscripten/* "$EMSDK/upstream/emscripten/"
  echo "EMSCRIPTEN_ROOT = emsdk_path + '/upstream/emscripten'" >"$EMSDK/.emscripten"
fi
emscripten_toolchain=$EMSDK/upstream/emscripten/cmake/Modules/Platform/Emscripten.cmake

# The toolkit: no threads (a page has none without special headers), the
# run's waits yield to the browser through asyncify, built for size, and
# without the parts of the toolkit the program does not use.
qt_configure=(
  -platform wasm-emscripten -static -release -optimize-size -opensource -confirm-license
  -qt-host-path /usr -device-option QT_EMSCRIPTEN_ASYNCIFY=1
  -nomake examples -nomake tests -nomake benchmarks
  -no-feature-thread -no-feature-network -no-feature-sql -no-feature-dbus
  -no-feature-printsupport -no-feature-concurrent -no-feature-xml
  # Widgets the window has none of.
  -no-feature-itemviews -no-feature-textedit -no-feature-graphicsview -no-feature-graphicseffect
  -no-feature-mainwindow -no-feature-dockwidget -no-feature-mdiarea -no-feature-toolbar
  -no-feature-menubar -no-feature-statusbar -no-feature-toolbox -no-feature-tabwidget
  -no-feature-tabbar -no-feature-splitter -no-feature-splashscreen -no-feature-lcdnumber
  -no-feature-calendarwidget -no-feature-datetimeedit -no-feature-spinbox -no-feature-dial
  -no-feature-progressbar -no-feature-progressdialog -no-feature-inputdialog
  -no-feature-errormessage -no-feature-wizard -no-feature-filedialog -no-feature-colordialog
  -no-feature-fontdialog -no-feature-keysequenceedit -no-feature-commandlinkbutton
  -no-feature-scroller -no-feature-rubberband -no-feature-sizegrip -no-feature-undoview
  -no-feature-style-stylesheet -no-feature-tooltip
  -no-feature-whatsthis -no-feature-statustip
  # Files, formats and services a page of ours never meets.
  -no-feature-textodfwriter -no-feature-textmarkdownreader -no-feature-textmarkdownwriter
  -no-feature-gif -no-feature-jpeg -no-feature-ico -no-feature-movie -no-feature-pdf
  -no-feature-imageformat_xbm -no-feature-imageformat_ppm -no-feature-imageformat_bmp
  -no-feature-mimetype -no-feature-settings -no-feature-sharedmemory -no-feature-systemsemaphore
  -no-feature-filesystemwatcher -no-feature-timezone -no-feature-jalalicalendar
  -no-feature-hijricalendar -no-feature-islamiccivilcalendar
  -no-feature-gestures -no-feature-zstd
)
qt_cmake=(-DCMAKE_TOOLCHAIN_FILE="$emscripten_toolchain")
# Mends to the toolkit, each a patch in packaging/web/ that says what it
# does: its accessibility in the page (every element of the browser's tree
# named as the widget is, scroll bars with their range and orientation, the
# frame as a group, a text field with its value, a widget that no longer
# shows out of the tree), a touch the browser cancels, the window's pixels
# kept across resizes, and what the page downloads (no fonts or images the
# program never shows).
qt_patches=("$root"/packaging/web/qtbase-*.patch)
qt_inputs=()
toolkit wasm

# Google Benchmark for the program's benchmarks in the browser: Debian's
# source of the installed libbenchmark-dev, built with the program.
benchmark_version=$(dpkg-query -W -f='${Version}' libbenchmark-dev)
benchmark=$cache/benchmark-$benchmark_version
if [[ ! -f "$benchmark/CMakeLists.txt" ]]; then
  fetch_source "$benchmark.src" benchmark "$benchmark_version"
  rm -rf "$benchmark"
  mv "$benchmark.src"/benchmark-*/ "$benchmark"
  rm -rf "$benchmark.src" "$benchmark.src.log"
fi

begin "Brelon: configure and build"
# The compiler's results are kept between runs (ccache), as the desktop's
# are (scripts/desktop.sh). The benchmarks are built when asked for:
#   cmake --build build-wasm --target brelon-bench   then bench/web.js
wasm=$root/build-wasm
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true
"$qt/bin/qt-cmake" -S "$root" -B "$wasm" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DBRELON_BENCHMARK_SOURCE="$benchmark" -DQT_CHAINLOAD_TOOLCHAIN_FILE="$emscripten_toolchain" \
  -DQT_SKIP_AUTO_PLUGIN_INCLUSION=OFF -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  -DBRELON_WERROR=ON --no-warn-unused-cli >/dev/null
cmake --build "$wasm" -j "$jobs"
end

begin "site"
rm -rf build-web
cp -r "$wasm/site" build-web
raw=$(du -cb build-web/* | tail -1 | cut -f1)
compressed=$(for f in build-web/*; do gzip -9 -c "$f" | wc -c; done | awk '{s += $1} END {print s}')
# Brotli at its best quality, as HTTPS hosts serve it: node's own.
brotli=$(node -e '
  const fs = require("node:fs"), zlib = require("node:zlib");
  const quality = { params: { [zlib.constants.BROTLI_PARAM_QUALITY]: 11 } };
  console.log(fs.readdirSync("build-web").reduce((sum, name) =>
    sum + zlib.brotliCompressSync(fs.readFileSync("build-web/" + name), quality).length, 0));')
echo "== build-web/: $raw bytes, $compressed bytes as gzip -9, $brotli as brotli (brelon.wasm $(stat -c %s build-web/brelon.wasm))"
end

if ((tests == 0)); then
  exit 0
fi

begin "tests: the number rules under node"
ctest --test-dir "$wasm" --output-on-failure
end

# The Linux build of the bar checker judges the screenshots, and its numbers
# are held against the browser's: the desktop build given, or one of its own.
if [[ -z "$tools" ]]; then
  tools=$root/build-web-tools
  cmake -S "$root" -B "$tools" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRELON_E2E=OFF >/dev/null
fi
tools=$(realpath "$tools")
cmake --build "$tools" -j "$jobs" --target brelon-bars

begin "tests: the site in Chromium, Firefox and WebKit"
# The scene's numbers as the browser works them out, held against the
# desktop's where the scene's screenshot is judged.
mkdir -p "$wasm/browser"
node "$wasm/tests/brelon-bars.js" values 4 20 >"$wasm/browser/values-browser.txt"
# The drivers, at the versions tests/web/package-lock.json names, installed
# again only when it changes.
npm_folder=$cache/npm
if ! cmp -s tests/web/package-lock.json "$npm_folder/package-lock.json"; then
  rm -rf "$npm_folder"
  mkdir -p "$npm_folder"
  cp tests/web/package.json tests/web/package-lock.json "$npm_folder/"
  (cd "$npm_folder" && npm ci --no-audit --no-fund --loglevel=error)
fi
# WebKit's MiniBrowser needs an X server.
NODE_PATH=$npm_folder/node_modules xvfb-run -a -s '-screen 0 1920x1080x24' node tests/web/site.js "$root/build-web" \
  "$tools/tests/windows/brelon-bars" "$wasm/tests/web" "$wasm/browser"
end
