#!/bin/bash
# Sets the machine up and runs the tests: native (plain, ASan+UBSan, TSan), the fuzz
# targets, and the i686 windows build under Wine (with Xvfb for the window), inside an
# emulated machine where this kernel runs no 32-bit programs.
#   scripts/test.sh [native] [asan] [tsan] [fuzz] [windows]   (no stage named: all of them)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELKARION_BUILD:-$here/build}"
fuzz_seconds="${VELK_FUZZ_SECONDS:-60}"
jobs="$(nproc)"
cd "$here"

all_stages=(native asan tsan fuzz windows)
stages=("$@")
[ ${#stages[@]} -ne 0 ] || stages=("${all_stages[@]}")
for stage in "${stages[@]}"; do
  case " ${all_stages[*]} " in
    *" $stage "*) ;;
    *) echo "usage: $0 [${all_stages[*]}]... (unknown stage: $stage)" >&2; exit 2 ;;
  esac
done
wanted() { case " ${stages[*]} " in *" $1 "*) return 0 ;; esac; return 1; }

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
ran=()
on_i686=false
[ "$("$here/scripts/test-arch.sh")" != i686 ] || on_i686=true
where="on this machine"
$on_i686 || where="in the emulated machine"

stage_native() {
  configure "$build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  ninja -C "$build/native"
  run_ctest "$build/native"
}

stage_asan() {
  configure "$build/native-asan" -DCMAKE_BUILD_TYPE=Debug -DVELKARION_SANITIZE=address
  ninja -C "$build/native-asan"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest "$build/native-asan"
}

stage_tsan() {
  configure "$build/native-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKARION_SANITIZE=thread
  ninja -C "$build/native-tsan"
  TSAN_OPTIONS=halt_on_error=1 run_ctest "$build/native-tsan"
}

stage_fuzz() {
  configure "$build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKARION_SANITIZE=address -DVELKARION_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
  ninja -C "$build/fuzz" fuzzers
  "$here/scripts/fuzz.sh" "$build/fuzz" "$fuzz_seconds"
}

stage_windows() {
  # The test scripts that the windows tests start need only Debian's python3, which is
  # also what the emulated machine below has.
  configure "$build/windows" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw.cmake" \
    -DVELKARION_ARCH=i686 -DVELK_PYTHON=/usr/bin/python3
  ninja -C "$build/windows"
  # One Wine prefix per test program keeps their registries apart and lets them run at once.
  local windows_tests='source scripts/wine-env.sh
xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$0" --output-on-failure -j "$1"'
  if $on_i686; then
    echo "(under Wine on this machine)"
    bash -c "$windows_tests" "$build/windows" "$jobs"
  else
    # The i686 exe is what ships: where this kernel runs no 32-bit programs it runs in an
    # emulated machine whose kernel does (scripts/i686-vm.sh), slower but the same exe.
    echo "(under Wine in an emulated machine: this kernel runs no 32-bit programs)"
    "$here/scripts/i686-vm.sh" run "$here" bash -c "$windows_tests" "$build/windows" "$jobs"
  fi
}

declare -A titles=([native]="native" [asan]="native, AddressSanitizer + UndefinedBehaviorSanitizer"
  [tsan]="native, ThreadSanitizer" [fuzz]="fuzz targets, ${fuzz_seconds}s each" [windows]="windows i686 (the product)")
for stage in "${all_stages[@]}"; do
  wanted "$stage" || continue
  echo "== ${titles[$stage]}"
  started=$SECONDS
  # A stage's failed build or test is recorded and the next stage still runs. (Not in
  # an `||` list: bash would ignore set -e inside it.)
  set +e
  ( set -e; "stage_$stage" )
  status=$?
  set -e
  [ "$status" = 0 ] || failed+=("$stage")
  echo "== ${stage}: $((SECONDS - started)) s"
  ran+=("$stage")
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]} (stages run: ${ran[*]}; windows tests $where)"
  exit 1
fi
if wanted windows; then
  echo "all test runs passed (${ran[*]}), the windows tests on the i686 product build ($where)"
else
  echo "all test runs passed (${ran[*]}), on this machine"
fi
