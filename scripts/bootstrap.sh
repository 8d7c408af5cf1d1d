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

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# A deb-src entry mirroring the machine's own Debian sources, so the library sources come from
# where the binaries come from.
src_list=/etc/apt/sources.list.d/quillmere-src.sources
need_update=0
if [ ! -f "$src_list" ]; then
  tmp=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    [ "$f" = "$src_list" ] && continue
    # Copy only stanzas that carry Debian's archive key and offer binary packages.
    awk 'BEGIN{RS="";ORS="\n\n"} /Types:[^\n]*deb/ && /debian-archive-keyring/ {sub(/Types:[^\n]*/,"Types: deb-src"); print}' "$f" >>"$tmp"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$tmp.list" || true
    [ -s "$tmp.list" ] && sudo_ cp "$tmp.list" /etc/apt/sources.list.d/quillmere-src.list
  fi
  sudo_ cp "$tmp" "$src_list"
  rm -f "$tmp" "$tmp.list"
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  sudo_ apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# zh_CN.UTF-8 gives Wine the ANSI code page 936.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  sudo_ sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | sudo_ tee -a /etc/locale.gen >/dev/null
  sudo_ locale-gen >/dev/null
fi

# Static Windows builds of libjpeg-turbo and libpng from Debian's source packages (patches applied).
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
fetch_source() { # package -> prints the unpacked source directory
  local pkg=$1 dir
  dir=$(find "$deps/src" -maxdepth 1 -type d -name "${2}-*" 2>/dev/null | head -n1)
  if [ -z "$dir" ]; then
    mkdir -p "$deps/src"
    # The newest version's source may be missing from a mirror (security updates): try each
    # version apt knows, newest first.
    if ! (cd "$deps/src" && apt-get source -qq "$pkg" >/dev/null 2>&1); then
      local v
      for v in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -rV); do
        rm -rf "$deps/src/${2}"[-_]*
        (cd "$deps/src" && apt-get source -qq "$pkg=$v" >/dev/null 2>&1) && break
      done
    fi
    dir=$(find "$deps/src" -maxdepth 1 -type d -name "${2}-*" | head -n1)
  fi
  echo "$dir"
}

if [ ! -f "$prefix/lib/libjpeg.a" ]; then
  src=$(fetch_source libjpeg-turbo libjpeg-turbo)
  echo "bootstrap: building libjpeg-turbo from $src"
  cmake -S "$src" -B "$deps/build/libjpeg-turbo" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF \
    -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_ARITH_DEC=ON -DWITH_ARITH_ENC=ON \
    -DCMAKE_SYSTEM_PROCESSOR=AMD64 >"$deps/libjpeg-turbo.log" 2>&1
  cmake --build "$deps/build/libjpeg-turbo" --target install >>"$deps/libjpeg-turbo.log" 2>&1
fi

if [ ! -f "$prefix/lib/libpng.a" ]; then
  src=$(fetch_source libpng1.6 libpng1.6)
  echo "bootstrap: building libpng from $src"
  cmake -S "$src" -B "$deps/build/libpng" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_BUILD_ZLIB=OFF -DSKIP_INSTALL_PROGRAMS=ON \
    -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
    >"$deps/libpng.log" 2>&1
  cmake --build "$deps/build/libpng" --target install >>"$deps/libpng.log" 2>&1
fi
echo "bootstrap: ready"
