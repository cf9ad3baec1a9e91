#!/bin/bash
# Loopback download of one body, interleaved: the downloader and a plain WinHTTP loop under
# Wine, then curl natively, same server and body, ROUNDS times; each program times its own
# transfer (not Wine's start). Usage: bench/download_bench.sh [BUILD_DIR] [MIB] [ROUNDS]
# (BUILD_DIR: a windows build; i686 unless its cache says x86_64). Where this kernel runs
# no 32-bit programs: scripts/i686-vm.sh run "$PWD" bash bench/download_bench.sh ...
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$here/build/windows}" && pwd)" mib="${2:-256}" rounds="${3:-3}"
arch="$(sed -n 's/^VELKARION_ARCH:[A-Z]*=//p' "$build/CMakeCache.txt")"
dir="$(mktemp -d)"
trap 'python3 "$here/tests/net/test_server.py" stop "$dir"; rm -rf "$dir"' EXIT
python3 "$here/tests/net/test_server.py" start "$dir"
url="http://$(head -1 "$dir/address")/big/$((mib * 1048576))"
export VELK_BINARY_DIR="$build"
"$here/scripts/wine-run.sh" "${arch:-i686}" "$build/bench/download_bench.exe" plain "$url" >/dev/null  # warm-up
echo "| round | client | body | speed | peak memory |"
echo "|---|---|---|---|---|"
for round in $(seq "$rounds"); do
  for client in downloader plain; do
    echo -n "| $round "
    "$here/scripts/wine-run.sh" "${arch:-i686}" "$build/bench/download_bench.exe" "$client" "$url"
  done
  if command -v curl >/dev/null; then
    speed="$(curl -s -o /dev/null -w "%{speed_download}" "$url")"
    echo "| $round | curl (native) | $mib MiB | $(awk -v b="$speed" 'BEGIN { printf "%.1f", b / 1e6 }') MB/s | - |"
  fi
done
