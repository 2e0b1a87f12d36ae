#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program as a person meets it, under Wine in a private X server:
#   tests/windows/e2e.sh BRELON_EXE BRELON_BARS BRELON_BARS_EXE BRELON_FACES_EXE OUT_DIR
# BRELON_BARS is the Linux build of the bar checker, BRELON_BARS_EXE the
# Windows one, BRELON_FACES_EXE the Windows build of the captions' check; the
# Wine prefix is WINEPREFIX (made by scripts/windows.sh).
#
# 1. A start-up failure (a platform the program lacks, a scale factor it
#    refuses) ends with one line on standard error and status 1; started
#    without a standard error, as from the desktop, the line comes in a
#    message box.
# 2. brelon.exe opens its window with a 758 × 571 client area and paints it.
# 3. A click on "Start" draws the 4-opening scene: every pixel column's bar
#    and the incident wave where the Linux build's mathematics puts them. The
#    Windows build's own numbers, printed under Wine, are compared with the
#    Linux ones: how many differ, by how much, whether any pixel would.
# 4. A click on "Konec" ends the program with status 0.
# 5. Every caption shows its whole text in one outline face, and grows with
#    the window maximised on a 1920 × 1080 screen (brelon-faces.exe).
# 6. Clicks during the longest run wait for its end: "3" then "20" leave 20
#    openings chosen; "20" then "Konec" end the program after the run, with
#    status 0.
# Every wait polls for an exact state, with a generous limit for a busy
# machine. The screenshots land in OUT_DIR (the finished scene as scene.png).
set -Eeuo pipefail
exe=$1
bars=$2
bars_exe=$3
faces_exe=$4
out=$5
mkdir -p "$out"
: "${WINEPREFIX:?the Wine prefix}"
export WINEDEBUG=-all
# Times and their comparisons in the C locale's numbers, whatever the
# prefix's language.
export LC_NUMERIC=C

# shellcheck source=tests/windows/tally.sh
source "$(dirname "$0")/tally.sh"
now() {
  date +%s.%N
}
since() {
  awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'
}

# A private X server; Xvfb picks a free display and tells it on a pipe.
xvfb_pid=
brelon_pid=
cleanup() {
  if [[ -n "$brelon_pid" ]] && kill -0 "$brelon_pid" 2>/dev/null; then
    kill "$brelon_pid" 2>/dev/null || true
  fi
  wineserver -k 2>/dev/null || true
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
# A command that fails outside a check ends the script; it says so, rather
# than leaving the caller with a status and no reason.
trap 'echo "FAIL: tests/windows/e2e.sh stopped at line $LINENO: $BASH_COMMAND"' ERR
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" >"$out/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 60 display <"$fifo"
rm -f "$fifo"
export DISPLAY=:$display
echo "Xvfb on $DISPLAY"

# 1. Start-up failures: one line on standard error, status 1.
expect_refusal() {
  local what=$1 expected=$2
  shift 2
  local status=0
  env "$@" timeout 120 wine "$exe" >"$out/refusal.out" 2>"$out/refusal.err" || status=$?
  local line
  line=$(grep -v '^$' "$out/refusal.err" | head -1 || true)
  if [[ $status -eq 1 && "$line" == *"$expected"* ]]; then
    pass "$what: status 1, \"$line\""
  else
    fail "$what: status $status, standard error: $(head -3 "$out/refusal.err")"
  fi
}
expect_refusal "a platform the program lacks" 'brelon: cannot open the platform "nonesuch" (QT_QPA_PLATFORM)' \
  WINEQT_QPA_PLATFORM=nonesuch
expect_refusal "a scale factor of 0" 'brelon: QT_SCALE_FACTOR must be a number from 0.5 to 8, not "0"' \
  WINEQT_SCALE_FACTOR=0

# Started as from the desktop, without a standard error: the line comes in a
# message box titled "Brelon", and its OK ends the program with status 1.
(
  status=0
  WINEQT_SCALE_FACTOR=0 timeout 120 wine start /wait /unix "$exe" </dev/null >/dev/null 2>&1 || status=$?
  echo "$status" >"$out/box.status"
) &
boxed=$!
box=
for _ in $(seq 600); do
  box=$(xdotool search --onlyvisible --name '^Brelon$' 2>/dev/null | head -1 || true)
  [[ -n "$box" ]] && break
  sleep 0.2
done
if [[ -n "$box" ]]; then
  sleep 0.5
  import -silent -window "$box" "png:$out/refusal-box.png" 2>/dev/null || true
  # The box closes on the key's press, and the key's release then meets a
  # window that is gone: xdotool says BadWindow, now and then. Whether the
  # key took is the program's status below (124 if it still waited).
  xdotool key --window "$box" Return 2>/dev/null || true
fi
wait "$boxed"
status=$(cat "$out/box.status")
if [[ -n "$box" && "$status" == 1 ]]; then
  pass "without a standard error: a message box (refusal-box.png), then status 1"
else
  fail "without a standard error: ${box:+a window, }status $status"
fi

# 2. The window.
# Starts brelon.exe and waits for its window to be painted.
launch() {
  # A program just ended leaves its window to the X server for a moment:
  # taken for the new one's, it would vanish under the next click.
  for _ in $(seq 300); do
    [[ -z "$(xdotool search --name '^Brelon - www\.example\.org$' 2>/dev/null || true)" ]] && break
    sleep 0.1
  done
  started=$(now)
  wine "$exe" >"$out/brelon.out" 2>"$out/brelon.err" &
  brelon_pid=$!
  window=
  for _ in $(seq 1200); do
    window=$(xdotool search --onlyvisible --name '^Brelon - www\.example\.org$' 2>/dev/null | head -1 || true)
    [[ -n "$window" ]] && break
    kill -0 "$brelon_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -z "$window" ]]; then
    fail "no window titled \"Brelon - www.example.org\" within 120 s"
    echo "end-to-end under Wine: $passes passed, $failures failed"
    exit 1
  fi
  painted=0
  for _ in $(seq 600); do
    if shoot "$out/opened.png" && "$bars" shown "$out/opened.png" 2>/dev/null; then
      painted=1
      break
    fi
    sleep 0.2
  done
}
shoot() {
  import -silent -window "$window" "png:$1" 2>/dev/null
}
# Waits for the program to end, for at most $1 tenths of a second; says
# its status in $status, or 256 when it still runs.
await_exit() {
  status=256
  for _ in $(seq "$1"); do
    kill -0 "$brelon_pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! kill -0 "$brelon_pid" 2>/dev/null; then
    status=0
    wait "$brelon_pid" || status=$?
    brelon_pid=
  fi
}

launch
eval "$(xdotool getwindowgeometry --shell "$window")"
# shellcheck disable=SC2153 # WIDTH and HEIGHT come from xdotool
if [[ "$WIDTH" -eq 758 && "$HEIGHT" -eq 571 ]]; then
  pass "the window's client area is 758 × 571"
else
  fail "the window's client area is $WIDTH × $HEIGHT, not 758 × 571"
fi
if ((painted)); then
  pass "the window is painted $(since "$started") s after the start"
else
  fail "the window was not painted within 120 s"
  echo "end-to-end under Wine: $passes passed, $failures failed"
  exit 1
fi

# 3. Start: the 4-opening scene at the frequency 20 (3.18 periods).
wine "$bars_exe" values 4 20 | tr -d '\r' >"$out/values-windows.txt"
xdotool mousemove --window "$window" 620 20 click 1
clicked=$(now)
previous=
done=0
for _ in $(seq 600); do
  shoot "$out/shot.png" || continue
  sum=$(md5sum <"$out/shot.png")
  # Finished: the bars all in place, and the picture holds still.
  if [[ "$sum" == "$previous" ]] && "$bars" check "$out/shot.png" 4 20 >/dev/null 2>&1; then
    done=1
    break
  fi
  previous=$sum
  sleep 0.2
done
cp "$out/shot.png" "$out/scene.png"
"$bars" check "$out/scene.png" 4 20 "$out/values-windows.txt" | tee "$out/check.txt"
if ((done)); then
  pass "Start drew the 4-opening scene as computed, finished $(since "$clicked") s after the click"
else
  fail "the 4-opening scene did not match the mathematics within 120 s (the last screenshot: $out/scene.png)"
fi

# 4. Konec.
xdotool mousemove --window "$window" 684 20 click 1
await_exit 600
if ((status == 256)); then
  fail "the program still runs 60 s after Konec"
elif ((status == 0)); then
  pass "Konec ended the program with status 0"
else
  fail "Konec ended the program with status $status"
fi

# 5. The captions, in what the screen shows of the window at 758 × 571 and
# maximised (faces-small.png, faces-maximised.png).
if wine "$faces_exe" "$out" 2>&1 | tr -d '\r' | tee "$out/faces.txt" | sed 's/^/  /'; then
  pass "every caption whole, in one outline face, and maximised at least 1.5 times as tall"
else
  fail "a caption is not whole in one outline face, or does not grow (faces.txt)"
fi

# 6. Clicks during the longest run: the slowdown bar's left arrow takes the
# focus (at 0 it moves nothing), End goes to the largest slowdown; the run
# then lasts 11951 × 30001 × 100 ns, about 36 s.
longest_run() {
  launch
  xdotool mousemove --window "$window" 430 16 click 1
  sleep 0.5
  xdotool key End
  sleep 1
  xdotool mousemove --window "$window" 620 20 click 1
  clicked=$(now)
}
longest_run
sleep 3
xdotool mousemove --window "$window" 150 62 click 1 # "3"
sleep 1
xdotool mousemove --window "$window" 214 62 click 1 # "20"
# Done: the strip of 20 openings (frequency 15), and the picture at rest.
previous=
done=0
for _ in $(seq 600); do
  shoot "$out/held.png" || continue
  sum=$(md5sum <"$out/held.png")
  if [[ "$sum" == "$previous" ]] && "$bars" strip "$out/held.png" 15 >/dev/null 2>&1; then
    done=1
    break
  fi
  previous=$sum
  sleep 0.2
done
if ((done)) && awk -v t="$(since "$clicked")" 'BEGIN { exit !(t > 35.8) }'; then
  pass "\"3\" then \"20\" during the run: 20 openings chosen after it, $(since "$clicked") s after Start"
else
  fail "\"3\" then \"20\" during the run: not 20 openings at rest within 120 s (held.png)"
fi
kill "$brelon_pid" 2>/dev/null || true
wait "$brelon_pid" 2>/dev/null || true
brelon_pid=

longest_run
sleep 3
xdotool mousemove --window "$window" 214 62 click 1 # "20"
sleep 1
xdotool mousemove --window "$window" 684 20 click 1 # "Konec"
await_exit 1200
ended=$(since "$clicked")
if ((status == 0)) && awk -v t="$ended" 'BEGIN { exit !(t > 35.8) }'; then
  pass "\"20\" then \"Konec\" during the run: the program ended with status 0, $ended s after Start"
else
  fail "\"20\" then \"Konec\" during the run: status $status, $ended s after Start (256: still running)"
fi

finish "end-to-end under Wine"
