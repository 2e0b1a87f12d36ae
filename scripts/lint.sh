#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lints Brelon's own C++ sources: clang-format must leave every file as it is
# (.clang-format), and clang-tidy must find nothing (.clang-tidy).
#   scripts/lint.sh [BUILD_DIR...]
# clang-tidy reads each BUILD_DIR's compile_commands.json (default: build):
# the desktop's build and the browser's (build-wasm/, scripts/web.sh), so
# that every source is checked as a build compiles it, the headers with the
# sources that include them. A source that no build compiles cannot be
# checked, and fails the lint. A missing build folder is configured first;
# only moc is run, nothing is compiled. Any format difference or clang-tidy
# finding makes the exit status non-zero.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Build folders given are taken from where the script was called.
builds=()
for dir in "${@:-$root/build}"; do
  builds+=("$(realpath -m "$dir")")
done
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
  echo "lint: none of $* found; run scripts/setup.sh --lint" >&2
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
# Each source with the first build that compiles it, and for a browser's
# build the flags its compiler (em++) adds to clang's: the target, the
# sysroot of its C and C++ libraries. A source in no build cannot be checked.
declare -A compiled=() browser_flags=() preprocess=()
for build in "${builds[@]}"; do
  if [[ ! -f "$build/compile_commands.json" ]]; then
    echo "lint: no $build/compile_commands.json; configuring $build"
    cmake -S "$root" -B "$build" -G Ninja >/dev/null
  fi
  # The tests include their moc output (tst_x.moc), so moc must have run.
  mapfile -t autogen < <(ninja -C "$build" -t targets all | sed -n 's/^\([^/:]*_autogen\): phony$/\1/p')
  if ((${#autogen[@]} > 0)); then
    cmake --build "$build" -j "$jobs" --target "${autogen[@]}" >/dev/null
  fi
  # The first compile command's compiler, sed stopping there: head, ending
  # first, would stop sed with SIGPIPE, which pipefail makes the lint's end.
  emcc=$(sed -n 's/^ *"command": "\([^ ]*em++\) .*/\1/;T;p;q' "$build/compile_commands.json")
  if [[ -n "$emcc" ]]; then
    # -mllvm options are the code generator's, which clang-tidy does not run.
    browser_flags[$build]=$("$emcc" --cflags | sed 's/-mllvm [^ ]*//g')
  fi
  # Each source's preprocessing command: its compile command writing the
  # preprocessed source to standard output. A set, not a pipe into grep -q.
  while IFS=$'\t' read -r unit command; do
    if [[ -z "${compiled[$unit]:-}" ]]; then
      compiled[$unit]=$build
      preprocess[$unit]=$command
    fi
  done < <(python3 -c '
import json, shlex, sys
for entry in json.load(open(sys.argv[1])):
    words = shlex.split(entry["command"])
    kept = []
    for word in words:
        if kept and kept[-1] == "-o":
            kept.pop()
        elif word != "-c":
            kept.append(word)
    print(entry["file"] + "\t" + "cd " + shlex.quote(entry["directory"]) + " && " + shlex.join(kept + ["-E", "-o", "-"]))
' "$build/compile_commands.json")
done
# Windows' own sources, where no Windows build is given, are checked as a
# desktop build would compile them for Windows: clang-tidy takes the flags of
# their Linux sibling, for the Windows target, with MinGW's headers.
desktop=
for build in "${builds[@]}"; do
  [[ -n "$desktop" || -n "${browser_flags[$build]:-}" ]] || desktop=$build
done
units=()
for f in "${sources[@]}"; do
  [[ "$f" == *.cpp ]] || continue
  if [[ -z "${compiled[$root/$f]:-}" && "$f" == *_windows.cpp && -n "$desktop" ]]; then
    compiled[$root/$f]=$desktop-for-windows
    browser_flags[$desktop-for-windows]=--target=x86_64-w64-mingw32
    preprocess[$root/$f]=false
  fi
  if [[ -n "${compiled[$root/$f]:-}" ]]; then
    units+=("$f")
  else
    echo "lint: $f is in no build's compile commands (${builds[*]}): it cannot be checked" >&2
    status=1
  fi
done
echo "clang-tidy on ${#units[@]} files, $jobs at a time"

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# clang-tidy's verdict on a source depends only on the source with every
# header it includes (as its build preprocesses it), the flags, the checks
# and clang-tidy itself: a clean verdict is kept under a digest of them all
# and stands until one of them changes. A finding is never kept.
verdicts=${BRELON_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/brelon}/lint
mkdir -p "$verdicts"
settings=$({ "$clang_tidy" --version; cat .clang-tidy; } | sha256sum | cut -d' ' -f1)
# One line a source: the file, its build, the flags for its platform (the
# browser's, Windows'); then, after a tab, its preprocessing command. The compile commands may be GCC's: clang
# must not stop at flags it lacks.
for f in "${units[@]}"; do
  build=${compiled[$root/$f]}
  printf '%s %s %s\t%s\n' "$f" "${build%-for-windows}" "${browser_flags[$build]:-}" "${preprocess[$root/$f]}"
done |
  # shellcheck disable=SC2016 # the inner script expands its own arguments
  xargs -P "$jobs" -d '\n' -n 1 bash -c '
    logs=$1 tidy=$2 verdicts=$3 settings=$4 line=$5
    preprocess=${line#*$'"'"'\t'"'"'}
    set -- ${line%%$'"'"'\t'"'"'*}
    file=$1 build=$2
    shift 2
    extra=()
    for flag in "$@"; do extra+=("--extra-arg-before=$flag"); done
    digest=$({ echo "$settings $line"; (eval "$preprocess") 2>/dev/null || echo "$RANDOM$RANDOM"; } |
      sha256sum | cut -d" " -f1)
    [[ -f "$verdicts/$digest" ]] && exit 0
    log="$logs/$(printf %s "$file" | tr / _).log"
    if ! "$tidy" -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option \
        --extra-arg=-Wno-unused-command-line-argument "${extra[@]}" "$file" >"$log" 2>&1 \
      || grep -q -E "(warning|error): " "$log"; then
      mv "$log" "$log.failed"
    else
      echo "$file" >"$verdicts/$digest"
    fi' bash "$logs" "$clang_tidy" "$verdicts" "$settings"
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
