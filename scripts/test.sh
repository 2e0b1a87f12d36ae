#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole test suite, as CI runs it, as root or as a user with sudo:
#   1. Debian 12 (this system): scripts/desktop.sh, the desktop's build and
#      tests, and the sanitizers' builds and tests.
#   2. Debian 13 (the system of scripts/debian13.sh, made the first time), on
#      a clean clone of what is committed: the desktop's build and tests
#      with the newer toolkit (scripts/desktop.sh --no-sanitizers); the
#      browser's build and its tests in Chromium, Firefox and WebKit
#      (scripts/web.sh); and the lint of every source, once, with both
#      builds' compile commands (scripts/lint.sh).
# Each leg's time is printed at the end. The Windows program has its own
# command, scripts/windows.sh (README.md says why it is not part of this).
set -euo pipefail
cd "$(dirname "$0")/.."
legs=()
leg() {
  local name=$1 start
  shift
  echo "== $name"
  start=$(date +%s)
  "$@"
  legs+=("$(printf '%-46s %3d min %02d s' "$name" $((($(date +%s) - start) / 60)) $((($(date +%s) - start) % 60)))")
}
times() {
  echo "== Times"
  printf '%s\n' "${legs[@]}"
}
trap times EXIT

begin=$(date +%s)
leg "Debian 12: desktop, sanitizers" scripts/desktop.sh
leg "Debian 13: desktop, browser, lint" scripts/debian13.sh
legs+=("$(printf '%-46s %3d min %02d s' "all" $((($(date +%s) - begin) / 60)) $((($(date +%s) - begin) % 60)))")
