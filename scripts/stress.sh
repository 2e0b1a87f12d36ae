#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the test suite on a busy machine: two processes that keep a CPU core
# busy each run for as long as the tests do, so a test that only passes on an
# idle machine shows itself.
#   scripts/stress.sh [-n ROUNDS] [-j HOGS] [CTEST ARGUMENTS...]
# Builds in Release first (as scripts/test.sh does), then runs ctest ROUNDS
# times (default 1) with the given arguments, for example
#   scripts/stress.sh -n 3 -R tst_e2e
# and says how long each round took. Stops at the first failing round.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=1
hogs=2
# Our own options come first; everything from the first other argument on is ctest's.
while (($# > 0)); do
  case "$1" in
  -n)
    rounds=$2
    shift 2
    ;;
  -j)
    hogs=$2
    shift 2
    ;;
  *) break ;;
  esac
done

scripts/setup.sh --test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"

pids=()
stop_hogs() {
  if ((${#pids[@]} > 0)); then
    kill "${pids[@]}" 2>/dev/null || true
    wait "${pids[@]}" 2>/dev/null || true
  fi
}
trap stop_hogs EXIT
for ((i = 0; i < hogs; ++i)); do
  # A shell loop with no system calls: a whole core, at the same priority
  # as the tests.
  bash -c 'while :; do :; done' &
  pids+=($!)
done
echo "== $hogs CPU hogs running (pids ${pids[*]})"

for ((round = 1; round <= rounds; ++round)); do
  start=$(date +%s)
  status=0
  ctest --test-dir build --output-on-failure "$@" || status=$?
  echo "== round $round of $rounds: $(($(date +%s) - start)) s, exit status $status"
  if ((status != 0)); then
    exit "$status"
  fi
done
