# SPDX-License-Identifier: GPL-3.0-or-later
# The checks' tally, sourced by the Windows test scripts: pass and fail say
# what was checked and count it; finish prints the sum for WHAT and fails
# when any check did.
passes=0
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() {
  echo "PASS: $*"
  passes=$((passes + 1))
}
finish() {
  echo "$1: $passes passed, $failures failed"
  ((failures == 0))
}
