#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lints Brelon's own C++ sources: clang-format must leave every file as it is
# (.clang-format), and clang-tidy must find nothing (.clang-tidy).
#   scripts/lint.sh [BUILD_DIR]
# clang-tidy reads BUILD_DIR/compile_commands.json (default: build). A missing
# build folder is configured first; only moc is run, nothing is compiled.
# Any format difference or clang-tidy finding makes the exit status non-zero.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# A build folder given is taken from where the script was called.
build=$(realpath -m "${1:-$root/build}")
cd "$root"
jobs=$(nproc)

find_tool() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null; then
      command -v "$name"
      return
    fi
  done
  echo "lint: none of $* found; run scripts/setup.sh --test" >&2
  exit 2
}
clang_format=$(find_tool clang-format clang-format-14)
clang_tidy=$(find_tool clang-tidy clang-tidy-14)

# The sources linted, listed by folder.
mapfile -t sources < <(
  git ls-files --cached --others --exclude-standard -- \
    'app/*.cpp' 'app/*.h' 'surface/*.cpp' 'surface/*.h' 'params/*.cpp' 'params/*.h' \
    'diffraction/*.cpp' 'diffraction/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' \
    'tests/*.cpp' 'tests/*.h' |
    sort -u |
    while read -r f; do [[ -f "$f" ]] && echo "$f"; done
)
if ((${#sources[@]} == 0)); then
  echo "lint: no sources found" >&2
  exit 2
fi

status=0

echo "== clang-format (${#sources[@]} files)"
if ! "$clang_format" --dry-run --Werror "${sources[@]}"; then
  echo "lint: clang-format would change the files above (fix: clang-format -i FILE)" >&2
  status=1
fi

echo "== clang-tidy"
if [[ ! -f "$build/compile_commands.json" ]]; then
  echo "lint: no $build/compile_commands.json; configuring $build"
  cmake -S "$root" -B "$build" -G Ninja >/dev/null
fi
# The tests include their moc output (tst_x.moc), so moc must have run.
if [[ -f "$build/build.ninja" ]]; then
  mapfile -t autogen < <(ninja -C "$build" -t targets all | sed -n 's/^\([^/:]*_autogen\): phony$/\1/p')
elif [[ -f "$build/Makefile" ]]; then
  mapfile -t autogen < <(make -C "$build" help | sed -n 's/^\.\.\. \([^ ]*_autogen\)$/\1/p')
else
  autogen=()
fi
if ((${#autogen[@]} > 0)); then
  cmake --build "$build" -j "$jobs" --target "${autogen[@]}" >/dev/null
fi

# Only translation units the build compiles: a file outside it (the benchmark
# without Google Benchmark, say) has no flags to be checked with.
# A set, not a pipe into grep -q: grep ends at the first match, the writer
# then dies of SIGPIPE, and under pipefail the file would count as missing.
declare -A compiled=()
while read -r unit; do
  compiled[$unit]=1
done < <(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json")
units=()
for f in "${sources[@]}"; do
  [[ "$f" == *.cpp ]] || continue
  if [[ -n "${compiled[$root/$f]:-}" ]]; then
    units+=("$f")
  else
    echo "lint: $f is not in $build's compile commands; clang-tidy skips it"
  fi
done
echo "clang-tidy on ${#units[@]} files, $jobs at a time"

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# The compile commands may be GCC's: clang must not stop at flags it lacks.
# shellcheck disable=SC2016 # the inner script expands its own arguments
printf '%s\n' "${units[@]}" |
  xargs -P "$jobs" -I{} sh -c '
    log="$1/$(printf %s "$4" | tr / _).log"
    if ! "$2" -p "$3" --quiet --extra-arg=-Wno-unknown-warning-option \
        --extra-arg=-Wno-unused-command-line-argument "$4" >"$log" 2>&1 \
      || grep -q -E "(warning|error): " "$log"; then
      mv "$log" "$log.failed"
    fi' sh "$logs" "$clang_tidy" "$build" {}
for log in "$logs"/*.failed; do
  [[ -e "$log" ]] || continue
  grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter' "$log" || true
  status=1
done
if ((status == 0)); then
  echo "lint: clean"
else
  echo "lint: findings above" >&2
fi
exit "$status"
