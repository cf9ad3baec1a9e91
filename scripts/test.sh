#!/bin/bash
# Sets the machine up and runs every test: native (plain, ASan+UBSan, TSan), the fuzz
# targets, and the windows build under Wine (with Xvfb for the window).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELKARION_BUILD:-$here/build}"
fuzz_seconds="${VELK_FUZZ_SECONDS:-60}"
jobs="$(nproc)"
cd "$here"

"$here/scripts/setup.sh"

configure() {  # dir, cmake args...
  local dir="$1"; shift
  cmake -S "$here" -B "$dir" -G Ninja -Wno-dev "$@" >"$dir.configure.log" 2>&1 \
    || { cat "$dir.configure.log"; exit 1; }
}
run_ctest() {  # dir, ctest args...
  local dir="$1"; shift
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@"
}

mkdir -p "$build"
failed=()

echo "== native"
configure "$build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo
ninja -C "$build/native"
run_ctest "$build/native" || failed+=(native)

echo "== native, AddressSanitizer + UndefinedBehaviorSanitizer"
configure "$build/native-asan" -DCMAKE_BUILD_TYPE=Debug -DVELKARION_SANITIZE=address
ninja -C "$build/native-asan"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest "$build/native-asan" || failed+=(asan)

echo "== native, ThreadSanitizer"
configure "$build/native-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKARION_SANITIZE=thread
ninja -C "$build/native-tsan"
TSAN_OPTIONS=halt_on_error=1 run_ctest "$build/native-tsan" || failed+=(tsan)

echo "== fuzz targets, ${fuzz_seconds}s each"
configure "$build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKARION_SANITIZE=address -DVELKARION_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
ninja -C "$build/fuzz" fuzzers
"$here/scripts/fuzz.sh" "$build/fuzz" "$fuzz_seconds" || failed+=(fuzz)

echo "== windows i686 (the product)"
configure "$build/windows" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw.cmake" -DVELKARION_ARCH=i686
ninja -C "$build/windows"

arch="$("$here/scripts/test-arch.sh")"
if [ "$arch" = i686 ]; then
  test_dir="$build/windows"
else
  echo "== this kernel runs no 32-bit programs: windows tests use the x86_64 build under 64-bit Wine"
  test_dir="$build/windows-x86_64"
  configure "$test_dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw.cmake" -DVELKARION_ARCH=x86_64
  ninja -C "$test_dir"
  # The i686 exes cannot start here; their headers and import tables are still checked.
  export VELK_PRODUCT_APP_DIR="$build/windows/installer/app"
fi
echo "== windows tests under Wine ($arch)"
source "$here/scripts/wine-env.sh"
# One Wine prefix per test program keeps their registries apart and lets them run at once.
xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$test_dir" --output-on-failure -j "$jobs" \
  || failed+=(windows)

if [ "$arch" != i686 ]; then
  echo "NOT RUN: the product architecture. This machine's kernel runs no 32-bit programs, so the"
  echo "  i686 exe that ships was built (warnings as errors) and its headers and imports checked,"
  echo "  but never started: every windows test above ran the x86_64 build of the same sources."
fi
if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
if [ "$arch" = i686 ]; then
  echo "all test runs passed, the windows tests on the i686 product build"
else
  echo "all test runs passed (windows tests on the x86_64 stand-in only: the i686 product was not run)"
fi
