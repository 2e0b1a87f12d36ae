# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Sourced by scripts/windows.sh and scripts/web.sh, not run: what building a
# toolkit for another platform shares, fetching Debian's source of a package,
# and the steps' times.
#
# toolkit NAME builds the toolkit, once, from Debian's own source of the
# installed qt6-base-dev (whose tools it runs during the build) into
# $cache/qt-VERSION-NAME, with the caller's arrays qt_configure (configure's
# options), qt_cmake (CMake's) and qt_patches (mends to the source); it sets
# $qt to the folder. A change to any of them, or to a file in qt_inputs,
# builds it anew; otherwise the folder is reused.

cache=${BRELON_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/brelon}
jobs=$(nproc)
sudo=()
if [[ "$(id -u)" -ne 0 ]]; then
  sudo=(sudo)
fi

# Each step's wall-clock time, printed at the end.
timings=()
step_start=0
begin() {
  echo "== $1"
  step_name=$1
  step_start=$(date +%s)
}
end() {
  local seconds=$(($(date +%s) - step_start))
  timings+=("$(printf '%-42s %4d min %02d s' "$step_name" $((seconds / 60)) $((seconds % 60)))")
}
summary() {
  echo "== Times"
  printf '%s\n' "${timings[@]}"
}
trap 'summary' EXIT

# Debian's source package $2 at version $3, into $1, through the deb-src
# entries of the machine's own apt sources in a private apt folder: nothing
# in /etc/apt changes.
fetch_source() {
  local into=$1 package=$2 version=$3 apt=$1.apt
  rm -rf "$apt" "$into"
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/archives/partial" "$into"
  local f
  shopt -s nullglob
  for f in /etc/apt/sources.list.d/*.sources; do
    # deb822: "Types: deb" becomes "Types: deb-src".
    sed -E 's/^(Types:.*[[:space:]])deb([[:space:]]|$)/\1deb-src\2/' \
      "$f" >"$apt/sources.list.d/$(basename "$f")"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f "$f" ]] || continue
    sed -n -E 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$f" >"$apt/sources.list.d/$(basename "$f")"
  done
  shopt -u nullglob
  local options=(
    -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache::Archives=$apt/archives"
    -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache=" -o "APT::Sandbox::User=root"
  )
  "${sudo[@]}" apt-get "${options[@]}" update -qq
  (cd "$into" && apt-get "${options[@]}" source -qq "$package=$version" >"$into.log" 2>&1) || {
    cat "$into.log"
    exit 1
  }
  "${sudo[@]}" rm -rf "$apt"
}

toolkit() {
  local name=$1
  local debian_version
  debian_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
  # The upstream version names the folder; the whole Debian version is fetched.
  qt=$cache/qt-${debian_version%%+*}-$name
  local stamp
  stamp=$(
    {
      echo "$debian_version"
      printf '%s\n' "${qt_configure[@]}" -- "${qt_cmake[@]}"
      cat "${qt_patches[@]}" "${qt_inputs[@]}"
    } | sha256sum | cut -c1-16
  )
  if [[ -f "$qt/bin/qt-cmake" && "$(cat "$qt/brelon-stamp" 2>/dev/null)" == "$stamp" ]]; then
    echo "== toolkit: reusing $qt"
    return
  fi
  local src=$cache/$name.src build=$cache/$name.build
  begin "toolkit: source"
  fetch_source "$src" qt6-base "$debian_version"
  local top p
  top=$(echo "$src"/qt6-base-*/)
  for p in "${qt_patches[@]}"; do
    patch -d "$top" -p1 --forward --quiet <"$p"
  done
  end

  begin "toolkit: configure"
  rm -rf "$build" "$qt"
  mkdir -p "$build"
  (cd "$build" && "$top/configure" -prefix "$qt" "${qt_configure[@]}" -- -G Ninja \
    -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake" \
    "${qt_cmake[@]}") >"$build.configure.log" 2>&1 || {
    tail -40 "$build.configure.log"
    exit 1
  }
  end

  begin "toolkit: build"
  cmake --build "$build" -j "$jobs" >"$build.log" 2>&1 || {
    grep -E -B2 -A10 'error|FAILED' "$build.log" | head -60
    exit 1
  }
  end

  begin "toolkit: install"
  cmake --install "$build" >/dev/null
  echo "$stamp" >"$qt/brelon-stamp"
  # The build tree (about 2 GB) and the source are not needed any more.
  rm -rf "$build" "$src"
  end
}

# On any system but Debian 13 the script runs itself in the Debian 13
# system of scripts/debian13.sh, with this checkout at the same path: the
# toolkits are Qt 6.8 (long-term support) from Debian 13, whose own Qt 6.8
# supplies the tools that run during their build (moc, rcc and the rest
# must be of the same version).
in_debian13() {
  if [[ "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")" != trixie ]]; then
    exec "$root/scripts/debian13.sh" --here "$@"
  fi
}

# How both builds start: SCRIPT (scripts/NAME.sh) runs in the Debian 13
# system; --no-tests sets tests to 0, and for scripts/web.sh, --tools BUILD
# sets tools to a desktop build folder of this system.
start_build() {
  local script=$1
  shift
  in_debian13 "$script" "$@"
  tests=1 tools=
  while (($# > 0)); do
    case "$1" in
    --no-tests) tests=0 ;;
    --tools)
      if [[ "$script" != scripts/web.sh || $# -lt 2 ]]; then
        echo "usage: $script [--no-tests]" >&2
        exit 2
      fi
      tools=$2
      shift
      ;;
    *)
      echo "usage: $script [--no-tests]" >&2
      exit 2
      ;;
    esac
    shift
  done
}
