#!/bin/bash
# Prepares a Debian 12 machine for building and testing: system packages, the
# cross-compiled dependencies (kept in a cache outside the clone) and the Wine prefix.
# Safe to run again; a second run only checks what is already there.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="${VELKARION_CACHE:-/var/cache/velkarion}"
build_root="${VELKARION_BUILD:-$here/build}"

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

packages=(
  cmake ninja-build g++ git python3 pkg-config
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine32:i386 wine64 fonts-wine xvfb xauth x11-apps imagemagick xdotool
  libboost-system-dev libboost-filesystem-dev libbz2-dev liblzma-dev googletest
  clang-14 libfuzzer-14-dev libclang-rt-14-dev
  zip unzip 7zip python3-pil openssl curl dpkg-dev tinyproxy
)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

enable_sources() {
  local f=/etc/apt/sources.list.d/velkarion-src.sources
  [ -f "$f" ] && return 0
  as_root tee "$f" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
}

# Downloads a Debian source package's files into $cache/src/NAME once.
fetch_source() {
  local name="$1" dir="$cache/src/$1"
  if [ -f "$dir/.fetched" ]; then return 0; fi
  enable_sources
  mkdir -p "$dir"
  (cd "$dir" && apt-get source --download-only -qq "$name")
  touch "$dir/.fetched"
}

# The product is i686. Where this machine's kernel cannot run 32-bit programs (and so
# 32-bit Wine), the tests run an x86_64 build of the same sources under 64-bit Wine, so
# both toolchains get the dependencies.
use_arch() {
  arch="$1"
  triple="$1-w64-mingw32"
  cross_cc="$triple-gcc-posix"; cross_cxx="$triple-g++-posix"; cross_ar="$triple-ar"
  case "$arch" in i686) lib_dir=mingw32 ;; *) lib_dir=mingw64 ;; esac
}

build_bzip2() {
  local out="$cache/$lib_dir/bzip2-1.0.8"
  [ -f "$out/lib/libbz2.a" ] && return 0
  fetch_source bzip2
  local work; work="$(mktemp -d)"
  tar -xf "$cache"/src/bzip2/bzip2_1.0.8.orig.tar.gz -C "$work"
  local src="$work/bzip2-1.0.8"
  mkdir -p "$out/lib" "$out/include"
  for f in blocksort huffman crctable randtable compress decompress bzlib; do
    "$cross_cc" -O2 -D_FILE_OFFSET_BITS=64 -c "$src/$f.c" -o "$work/$f.o"
  done
  "$cross_ar" rcs "$out/lib/libbz2.a" "$work"/*.o
  cp "$src/bzlib.h" "$out/include/"
  rm -rf "$work"
}

# miniz has no package of its own; one of Debian's source packages carries it unchanged.
extract_miniz() {
  local out="$cache/src/miniz-2.1.0"
  [ -f "$out/miniz.c" ] && return 0
  fetch_source slic3r-prusa
  local tarball; tarball="$(ls "$cache"/src/slic3r-prusa/slic3r-prusa_*.orig.tar.* | head -1)"
  local work; work="$(mktemp -d)"
  tar -xf "$tarball" -C "$work" --wildcards '*/src/miniz/*'
  mkdir -p "$out"
  cp "$(find "$work" -path '*/src/miniz/miniz.c')" "$(find "$work" -path '*/src/miniz/miniz.h')" "$out/"
  rm -rf "$work"
}

build_boost() {
  local out="$cache/$lib_dir/boost-1.74"
  [ -f "$out/lib/libboost_filesystem.a" ] && return 0
  fetch_source boost1.74
  local tarball; tarball="$(ls "$cache"/src/boost1.74/boost1.74_*.orig.tar.* | head -1)"
  local work; work="$(mktemp -d)"
  # Debian's tarball is the modular tree: every library keeps its headers in
  # libs/NAME/include; they are merged into one include folder.
  tar -xf "$tarball" -C "$work" --wildcards '*/include/boost/*' '*/libs/filesystem/src/*'
  rm -rf "$out" && mkdir -p "$out/lib" "$out/include"
  find "$work" -type d -path '*/include/boost' -prune -print | while read -r d; do
    cp -r "$d" "$out/include/"
  done
  local src; src="$(find "$work" -type d -path '*/libs/filesystem/src' | head -1)"
  for f in "$src"/*.cpp; do
    "$cross_cxx" -O2 -std=c++17 -I"$out/include" -DBOOST_ALL_NO_LIB -DBOOST_FILESYSTEM_STATIC_LINK=1 \
      -DBOOST_FILESYSTEM_SOURCE -c "$f" -o "$work/$(basename "$f" .cpp).o"
  done
  "$cross_ar" rcs "$out/lib/libboost_filesystem.a" "$work"/*.o
  rm -rf "$work"
}


install_packages
as_root mkdir -p "$cache"
as_root chown "$(id -u):$(id -g)" "$cache"
extract_miniz
for a in i686 x86_64; do
  use_arch "$a"
  build_bzip2
  build_boost
done
"$here/scripts/wine-prefix.sh" "$("$here/scripts/test-arch.sh")" "$build_root/windows-test/wineprefix"
echo "setup: ready (cache $cache)"
