#!/bin/bash
# package-check on packages made to hurt the installer (bench/make_hostile_packages.py):
# one table row each with the time, the peak resident set and the last line of output,
# which must start with the expected outcome. native uses the native build; i686 the
# i686 windows build under 32-bit Wine (in the emulated machine where this kernel runs
# no 32-bit programs). Exits 1 if any outcome is not the expected one.
#   bench/hostile_packages.sh native|i686
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELKARION_BUILD:-$here/build}"
kind="${1:?native or i686}"
work="$build/hostile-packages"

case "$kind" in
  native)
    cmake -S "$here" -B "$build/native" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    ninja -C "$build/native" package-check >/dev/null
    checker=("$build/native/tools/package-check/package-check") drive="" ;;
  i686)
    if [ -z "${VELK_IN_EMULATED_MACHINE:-}" ]; then  # built before, outside the machine
      cmake -S "$here" -B "$build/windows" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw.cmake" -DVELKARION_ARCH=i686 -DVELK_PYTHON=/usr/bin/python3 >/dev/null
      ninja -C "$build/windows" package-check >/dev/null
    fi
    if [ "$("$here/scripts/test-arch.sh")" != i686 ] && [ -z "${VELK_IN_EMULATED_MACHINE:-}" ]; then
      exec "$here/scripts/i686-vm.sh" run "$here" env VELK_IN_EMULATED_MACHINE=1 bash "$0" i686
    fi
    export WINEPREFIX="$work/wineprefix"
    checker=("$here/scripts/wine-run.sh" i686 "$build/windows/tools/package-check/package-check.exe") drive="Z:" ;;
  *) echo "usage: $0 native|i686" >&2; exit 2 ;;
esac

mkdir -p "$work/packages"
python3 "$here/bench/make_hostile_packages.py" "$work/packages" >"$work/expected.txt"
# A first run makes the Wine prefix, so that no row pays for it.
"${checker[@]}" --help >/dev/null 2>&1 || true

status=0
printf '%-26s %9s %8s %10s  %s\n' package bytes seconds "peak KiB" "last line"
while read -r name expected; do
  package="$work/packages/$name"
  rc=0
  rm -f "$work/time.txt"
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -o "$work/time.txt" -f '%e %M' "${checker[@]}" "$drive$package" >"$work/out.txt" 2>&1 || rc=$?
  else  # its peak includes the Python process the command was forked from (an upper bound)
    python3 "$here/bench/run_measured.py" "$work/time.txt" "${checker[@]}" "$drive$package" >"$work/out.txt" 2>&1 || rc=$?
  fi
  read -r seconds peak < <(tail -n1 "$work/time.txt") || seconds=- peak=-
  last="$(tr -d '\r' <"$work/out.txt" | tail -n1)"
  verdict="$last"
  if [ "$expected" = ok ]; then
    verdict="accepted: $last"
    [ "$rc" = 0 ] || { status=1; verdict="UNEXPECTED (exit $rc): $last"; }
  elif [ "$rc" != 1 ] || [[ "$last" != "$expected"* ]]; then
    status=1
    verdict="UNEXPECTED (wanted $expected): $last"
  fi
  printf '%-26s %9s %8s %10s  %s\n' "$name" "$(stat -c %s "$package")" "$seconds" "$peak" "$verdict"
done <"$work/expected.txt"
exit $status
