#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A Debian 13 system for Brelon's own builds and tests, as root or as a user
# with sudo:
#   scripts/debian13.sh                   the Debian 13 leg of the README's
#                                         test command, on a clean clone of
#                                         this checkout's HEAD: the desktop's
#                                         build and tests, the browser's, and
#                                         the lint of both
#   scripts/debian13.sh --here CMD...     CMD in this checkout, at the same path
#
# The first time only, debootstrap makes a minimal Debian 13 ("trixie") with
# git and a UTF-8 locale in $BRELON_CACHE/debian13 (default
# ~/.cache/brelon/debian13): about two minutes. Later runs reuse it, and what
# the scripts install in it stays installed. Each run enters it in a mount
# namespace of its own, so its mounts end with it and two runs may share the
# system. Inside, the builds cache their toolkits in /var/cache/brelon.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

cache=${BRELON_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/brelon}
system=$cache/debian13
mirror=${BRELON_DEBIAN_MIRROR:-http://deb.debian.org/debian}

sudo=()
if [[ "$(id -u)" -ne 0 ]]; then
  sudo=(sudo)
fi

# What the system is made with; a change here makes it anew.
suite=trixie
include=ca-certificates,git,locales,sudo
stamp="$suite $include $mirror"

make_system() {
  if [[ "$(cat "$system/brelon-stamp" 2>/dev/null)" == "$stamp" ]]; then
    return
  fi
  echo "== Debian 13: making the system in $system (once)"
  "${sudo[@]}" "$root/scripts/setup.sh" --debootstrap
  "${sudo[@]}" rm -rf "$system" "$system.new"
  mkdir -p "$cache"
  "${sudo[@]}" debootstrap --variant=minbase --include="$include" "$suite" "$system.new" "$mirror" \
    >"$cache/debootstrap.log" 2>&1 || {
    tail -20 "$cache/debootstrap.log"
    exit 1
  }
  # The updates and the security fixes, as an installed system has them.
  "${sudo[@]}" tee "$system.new/etc/apt/sources.list" >/dev/null <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb http://deb.debian.org/debian-security $suite-security main
EOF
  echo "$stamp" | "${sudo[@]}" tee "$system.new/brelon-stamp" >/dev/null
  "${sudo[@]}" mv "$system.new" "$system"
}

# Runs "$@" as root inside the system, in the folder $1, with the host's
# /proc, /sys and /dev, the host's name lookup, and the certificate
# authorities the host's administrator added (a proxy's, say).
enter() {
  local dir=$1
  shift
  "${sudo[@]}" cp /etc/resolv.conf "$system/etc/resolv.conf"
  if [[ -d /usr/local/share/ca-certificates ]] &&
    ! diff -r -q /usr/local/share/ca-certificates "$system/usr/local/share/ca-certificates" >/dev/null 2>&1; then
    "${sudo[@]}" rm -rf "$system/usr/local/share/ca-certificates"
    "${sudo[@]}" cp -r /usr/local/share/ca-certificates "$system/usr/local/share/"
    "${sudo[@]}" chroot "$system" update-ca-certificates --fresh >/dev/null 2>&1
  fi
  # shellcheck disable=SC2016 # the inner script expands its own arguments
  "${sudo[@]}" unshare --mount --propagation private bash -c '
    set -e
    system=$1 here=$2 dir=$3
    shift 3
    for d in proc sys dev dev/pts dev/shm; do
      mount --bind "/$d" "$system/$d"
    done
    if [[ -n "$here" ]]; then
      mkdir -p "$system$here"
      mount --bind "$here" "$system$here"
    fi
    exec chroot "$system" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin BRELON_CACHE=/var/cache/brelon \
      bash -c "cd \"\$0\" && exec \"\$@\"" "$dir" "$@"' \
    enter "$system" "${here:-}" "$dir" "$@"
}

make_system
case "${1:-}" in
--here)
  shift
  (($# > 0)) || {
    echo "usage: scripts/debian13.sh [--here COMMAND...]" >&2
    exit 2
  }
  here=$root
  enter "$root" "$@"
  ;;
"")
  # A clean clone of what is committed, made anew each time.
  clone=/root/brelon
  "${sudo[@]}" rm -rf "$system$clone"
  "${sudo[@]}" git clone --quiet --no-local "$root" "$system$clone"
  # Build and tests with the newer toolkit (the sanitizers' builds are
  # Debian 12's), the browser's build and tests, and the lint with both
  # builds' compile commands: clang-tidy 19 reads every source once.
  echo "== Debian 13: in a clean clone of $(git -C "$root" rev-parse --short HEAD)"
  enter "$clone" bash -c 'scripts/desktop.sh --no-sanitizers && scripts/web.sh --tools build &&
    echo "== Lint: clang-format and clang-tidy" && scripts/setup.sh --lint && scripts/lint.sh build build-wasm'
  ;;
*)
  echo "usage: scripts/debian13.sh [--here COMMAND...]" >&2
  exit 2
  ;;
esac
