#!/bin/bash
# The LZMA benchmark as the product's processor runs it: our decoder and Debian's
# liblzma:i386, both compiled for 32-bit x86 with the product's code generation
# (-march=pentiumpro, the MinGW i686 default, and -O3) and run natively on this machine.
# Same arguments as lzma_bench (MiB, rounds, preset, cache file, data file); the cache
# file holds the encoded stream, which does not depend on the build.
# Installs g++-multilib and liblzma-dev:i386 when they are missing. Exits with 3 after the
# build on a machine whose kernel runs no 32-bit programs.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${VELKARION_BUILD:-$here/build}/lzma-bench-i686"
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in g++-multilib liblzma-dev:i386; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  # A mirror caught mid-sync fails one index; the install below still finds the packages.
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq || echo "lzma_bench_i686: apt-get update reported errors" >&2
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The decoder's sources and what decode_lzma needs around it; nothing else of the
# package library (whose other parts want 32-bit Boost and bzip2 libraries).
sources=(
  "$here/bench/lzma_bench.cpp"
  "$here"/installer/package/lzma/*.cpp
  "$here/installer/package/decode_lzma.cpp"
  "$here/installer/package/crc32.cpp"
  "$here/installer/package/parallel.cpp"
  "$here/installer/package/populate_in_parallel.cpp"
  "$here/installer/package/posix/large_buffer.cpp"
)
mkdir -p "$out"
g++ -m32 -march=pentiumpro -mtune=generic -O3 -DNDEBUG -std=c++17 -Wall -Wextra -Werror -Wno-unused-parameter \
  -I"$here" "${sources[@]}" -o "$out/lzma_bench" -L/usr/lib/i386-linux-gnu -llzma -pthread
file "$out/lzma_bench" | sed 's/, BuildID[^,]*//'

if [ "$("$here/scripts/test-arch.sh")" != i686 ]; then
  echo "lzma_bench_i686: this machine runs no 32-bit programs; built $out/lzma_bench, not run" >&2
  exit 3
fi
exec "$out/lzma_bench" "$@"
