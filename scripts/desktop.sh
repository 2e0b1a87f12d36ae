#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop's part of the test suite, on this system: sets up the machine,
# builds Brelon and runs the unit, widget and pixel tests, the end-to-end
# tests in a real X server, the leak check and the validators; the chains'
# worker thread under ThreadSanitizer; and the tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer. Every build treats a
# warning as an error. (scripts/test.sh runs it on Debian 12 and 13, with the
# browser's build and tests and the lint.)
#   scripts/desktop.sh                   all of it
#   scripts/desktop.sh --no-sanitizers   without the sanitizers' builds
set -euo pipefail
cd "$(dirname "$0")/.."
sanitizers=1
case "${1:-}" in
"") ;;
--no-sanitizers) sanitizers=0 ;;
*)
  echo "usage: scripts/desktop.sh [--no-sanitizers]" >&2
  exit 2
  ;;
esac
scripts/setup.sh --test
jobs=$(nproc)
# The compiler's results are kept between runs (ccache): a clean clone then
# compiles only what changed since the last one. Paths below the checkout
# count as relative, and the folder compiled in is left out of the key, so
# the cache serves a clone anywhere.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
cache=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DBRELON_WERROR=ON)

echo "== Release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "${cache[@]}" >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

if ((sanitizers == 0)); then
  exit 0
fi

echo "== ThreadSanitizer: the chains' worker thread"
cmake -S . -B build-tsan -G Ninja "${cache[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS=-fsanitize=thread \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DBRELON_E2E=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target tst_chains
# The toolkit's libraries are not built with the sanitizer, and its mutexes
# are futexes the sanitizer cannot see: a C library call the toolkit makes
# (Qt Test's watchdog thread waking and destroying its wait condition) then
# looks like a race now and then. ignore_noninstrumented_modules leaves out
# only the memory accesses of C library calls made from such libraries, which
# the sanitizer cannot judge anyway. It cannot hide a race in the chains:
# they share nothing with the toolkit, and every access our code makes,
# directly or through the C library, is instrumented and still checked,
# whatever called our code. A suppression by library name would not do: the
# drawing thread's stack always runs through libQt6Core (Qt Test calls each
# test function), so it would hide our races as well.
TSAN_OPTIONS=halt_on_error=1:ignore_noninstrumented_modules=1 build-tsan/tests/tst_chains -silent

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build and tests"
cmake -S . -B build-sanitize -G Ninja "${cache[@]}" -DCMAKE_BUILD_TYPE=Debug -DBRELON_SANITIZE=ON \
  -DBRELON_E2E=OFF >/dev/null
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -LE 'no-sanitize'
