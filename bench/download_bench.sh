#!/bin/bash
# Loopback download of one body: curl (native) against download_package under Wine, same
# server and body. Usage: bench/download_bench.sh [BUILD_DIR] [MIB]   (build: windows x86_64)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$here/build/net-win64}" && pwd)" mib="${2:-256}"
dir="$(mktemp -d)"
trap 'python3 "$here/tests/net/test_server.py" stop "$dir"; rm -rf "$dir"' EXIT
python3 "$here/tests/net/test_server.py" start "$dir"
url="http://$(head -1 "$dir/address")/big/$((mib * 1048576))"
echo "| client | body | speed | memory |"
echo "|---|---|---|---|"
curl -s -o /dev/null -w "| curl | $mib MiB | %{speed_download} B/s | - |\n" "$url"
VELK_BINARY_DIR="$build" "$here/scripts/wine-run.sh" x86_64 "$build/bench/download_bench.exe" "$url"
