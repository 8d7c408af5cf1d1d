#!/usr/bin/env bash
# Installs everything the build, the tests and the program need on a Debian 12 machine and
# cross-builds the static Windows libraries into .deps/. Safe to run again: finished steps are
# skipped, so a second run takes seconds.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$root/.deps"
prefix="$deps/mingw64"
mkdir -p "$deps"

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev
  cmake ninja-build nasm dpkg-dev python3
  wine64 wine xvfb xauth x11-utils xdotool locales fonts-wqy-microhei imagemagick x11-apps
  googletest libjpeg-dev libpng-dev zlib1g-dev libjpeg-turbo-progs
  clang libclang-rt-14-dev
)

fail() { echo "bootstrap: $*" >&2; exit 1; }
sudo_() {
  if [ "$(id -u)" = 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    fail "this step needs root: run it as root, or install sudo for this user ($*)"
  fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# A deb-src entry mirroring the machine's own Debian sources, so the library sources come from
# where the binaries come from. Only http(s) mirrors are copied: a cdrom: or file: entry has no
# sources to offer and would break apt-get update.
src_list=/etc/apt/sources.list.d/quillmere-src.sources
need_update=0
if [ ! -f "$src_list" ]; then
  tmp=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    [ "$f" = "$src_list" ] && continue
    # Stanzas that carry Debian's archive key and offer binary packages, with their http(s) URIs.
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
      /Types:[^\n]*deb/ && /debian-archive-keyring/ {
        n = split($0, lines, "\n"); out = ""; uris = 0
        for (i = 1; i <= n; i++) {
          line = lines[i]
          if (line ~ /^Types:/) line = "Types: deb-src"
          else if (line ~ /^URIs:/) {
            m = split(substr(line, 6), list, /[ \t]+/); line = "URIs:"
            for (j = 1; j <= m; j++) if (list[j] ~ /^https?:\/\//) { line = line " " list[j]; uris++ }
          }
          out = out line "\n"
        }
        if (uris > 0) { sub(/\n$/, "", out); print out }
      }' "$f" >>"$tmp"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb (\[[^]]*\] )?https?://' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$tmp.list" || true
    [ -s "$tmp.list" ] && sudo_ cp "$tmp.list" /etc/apt/sources.list.d/quillmere-src.list
  fi
  if [ ! -s "$tmp" ] && [ ! -s "$tmp.list" ]; then
    rm -f "$tmp" "$tmp.list"
    fail "no http(s) Debian mirror found in /etc/apt/sources.list or /etc/apt/sources.list.d/*.sources"
  fi
  sudo_ cp "$tmp" "$src_list"
  rm -f "$tmp" "$tmp.list"
  need_update=1
fi

apt_log="$deps/apt.log"
if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  sudo_ apt-get update >"$apt_log" 2>&1 || fail "apt-get update failed; its log is $apt_log"
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >>"$apt_log" 2>&1 ||
    fail "could not install ${missing[*]}; the log is $apt_log"
fi

# zh_CN.UTF-8 gives Wine the ANSI code page 936.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  sudo_ sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | sudo_ tee -a /etc/locale.gen >/dev/null
  sudo_ locale-gen >/dev/null
fi

# Static Windows builds of libjpeg-turbo and libpng from Debian's source packages (patches applied).
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
fetch_source() { # package, directory prefix -> prints the unpacked source directory
  local pkg=$1 dir log="$deps/$1-fetch.log"
  dir=$(find "$deps/src" -maxdepth 1 -type d -name "${2}-*" 2>/dev/null | head -n1)
  if [ -z "$dir" ]; then
    mkdir -p "$deps/src"
    # The newest version's source may be missing from a mirror (security updates): try each
    # version apt knows, newest first.
    if ! (cd "$deps/src" && apt-get source -qq "$pkg" >"$log" 2>&1); then
      local v
      for v in $(apt-cache showsrc "$pkg" 2>>"$log" | sed -n 's/^Version: //p' | sort -rV); do
        rm -rf "$deps/src/${2}"[-_]*
        (cd "$deps/src" && apt-get source -qq "$pkg=$v" >>"$log" 2>&1) && break
      done
    fi
    dir=$(find "$deps/src" -maxdepth 1 -type d -name "${2}-*" | head -n1)
    [ -n "$dir" ] || fail "could not fetch the source package $pkg; the log is $log"
  fi
  echo "$dir"
}

build_library() { # name, source directory, cmake options...
  local name=$1 src=$2 log="$deps/$1.log"
  shift 2
  echo "bootstrap: building $name from $src"
  { cmake -S "$src" -B "$deps/build/$name" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" &&
    cmake --build "$deps/build/$name" --target install; } >"$log" 2>&1 ||
    fail "could not build $name; its log is $log"
}

if [ ! -f "$prefix/lib/libjpeg.a" ]; then
  src=$(fetch_source libjpeg-turbo libjpeg-turbo)
  build_library libjpeg-turbo "$src" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_ARITH_DEC=ON -DWITH_ARITH_ENC=ON -DCMAKE_SYSTEM_PROCESSOR=AMD64
fi

if [ ! -f "$prefix/lib/libpng.a" ]; then
  src=$(fetch_source libpng1.6 libpng1.6)
  build_library libpng "$src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_BUILD_ZLIB=OFF -DSKIP_INSTALL_PROGRAMS=ON \
    -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include
fi
echo "bootstrap: ready"
