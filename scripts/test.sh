#!/bin/bash
# Sets the machine up and runs every test: native (plain, ASan+UBSan, TSan), the fuzz
# targets, and the i686 windows build under Wine (with Xvfb for the window), inside an
# emulated machine where this kernel runs no 32-bit programs.
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
# The test scripts that the windows tests start need only Debian's python3, which is also
# what the emulated machine below has.
configure "$build/windows" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw.cmake" -DVELKARION_ARCH=i686 \
  -DVELK_PYTHON=/usr/bin/python3
ninja -C "$build/windows"

# One Wine prefix per test program keeps their registries apart and lets them run at once.
windows_tests='source scripts/wine-env.sh
xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$0" --output-on-failure -j "$1"'
where="on this machine"
if [ "$("$here/scripts/test-arch.sh")" = i686 ]; then
  echo "== windows tests under Wine (i686)"
  bash -c "$windows_tests" "$build/windows" "$jobs" || failed+=(windows)
else
  # The i686 exe is what ships: where this kernel runs no 32-bit programs it runs in an
  # emulated machine whose kernel does (scripts/i686-vm.sh), slower but the same exe.
  where="in the emulated machine"
  echo "== windows tests under Wine (i686, in an emulated machine: this kernel runs no 32-bit programs)"
  "$here/scripts/i686-vm.sh" run "$here" bash -c "$windows_tests" "$build/windows" "$jobs" || failed+=(windows)
fi

if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all test runs passed, the windows tests on the i686 product build ($where)"
