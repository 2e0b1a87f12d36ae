#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's screenshots of Brelon in a private X server: a finished
# 4-opening scene at the stored size (docs/screenshot.png), and the same in a
# window of 1200 × 857, magnified 1.5 times (docs/screenshot-magnified.png).
#   scripts/screenshots.sh [BINARY]      (default: build/brelon, built first)
set -euo pipefail
cd "$(dirname "$0")/.."
binary=${1:-}
if [[ -z "$binary" ]]; then
  scripts/setup.sh --test
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build --target brelon
  binary=build/brelon
fi

runtime=$(mktemp -d)
pids=()
cleanup() {
  kill "${pids[@]}" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1920x1200x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
read -r -t 20 number <&"$fd"
export DISPLAY=":$number" XDG_RUNTIME_DIR=$runtime LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM QT_SCALE_FACTOR QT_STYLE_OVERRIDE WAYLAND_DISPLAY

# Clicks "Start" where the zoom puts it, waits for the scene, and saves the
# window's client area.
shoot() {
  local window=$1 zoom=$2 out=$3
  xdotool mousemove --window "$window" "$(echo "620 * $zoom / 1" | bc)" "$(echo "20 * $zoom / 1" | bc)" click 1
  xdotool mousemove 1900 1190
  sleep 2
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -silent -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
  echo "$out: ${WIDTH} × ${HEIGHT}"
}

"$binary" &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --name '^Brelon - ' | head -1)
sleep 1
shoot "$window" 1 docs/screenshot.png
xdotool windowsize "$window" 1200 857
sleep 1
shoot "$window" 1.5 docs/screenshot-magnified.png
