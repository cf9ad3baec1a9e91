#!/bin/bash
# How large a package the 32-bit installer takes: builds a demo-style package (every entry
# method, the sample launcher) of SIZE_MB decoded megabytes, installs it with the i686
# exe under Wine (in the emulated machine where this kernel runs no 32-bit programs), and
# prints one table row: sizes, whether every file was installed, the installer's peak
# memory, and the outcome text when it refused or failed.
#   bench/install_size.sh SIZE_MB...
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELKARION_BUILD:-$here/build}"
win="$build/demo-i686"
cmake -S "$here" -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw.cmake" \
  -DVELKARION_ARCH=i686 >/dev/null
ninja -C "$win" VelkarionSetupTest sample_launcher click_through >/dev/null
url="$(sed -n 's/^VELKARION_TEST_PACKAGE_URL:STRING=//p' "$win/CMakeCache.txt")"

printf '%-10s %-12s %-12s %-10s %-12s %s\n' "decoded" "package" "sum" "installed" "peak memory" "outcome"
for size_mb in "$@"; do
  work="$build/install-size/$size_mb"
  rm -rf "$work"
  mkdir -p "$work/serve" "$work/screenshots"
  package="$work/serve/Launcher-Setup.zip"
  # Making a package of gigabytes takes many minutes; its content depends only on the
  # size and the launcher, so it is kept for the next run.
  kept="$build/install-size/packages/$size_mb.zip"
  launcher="$win/tools/sample-launcher/Launcher.exe"
  if [ ! -e "$kept" ] || [ "$launcher" -nt "$kept" ]; then
    mkdir -p "$(dirname "$kept")"
    python3 "$here/tools/make-sample-package.py" "$kept.part" --launcher "$launcher" --size-mb "$size_mb" >/dev/null
    mv "$kept.part" "$kept"
  fi
  ln -f "$kept" "$package"
  log="$work/install.log"
  if [ "$("$here/scripts/test-arch.sh")" = i686 ]; then
    env -u DISPLAY VELK_CLICK_THROUGH_SECONDS=3600 "$here/scripts/demo-install.sh" i686 "$win" "$work" "$url" >"$log" 2>&1 || true
  else
    "$here/scripts/i686-vm.sh" run "$here" env VELK_CLICK_THROUGH_SECONDS=3600 "$here/scripts/demo-install.sh" i686 "$win" "$work" "$url" >"$log" 2>&1 || true
  fi
  installed="$work/wineprefix/drive_c/Games/Velkarion"
  expected="$(python3 -c 'import sys, zipfile; print(sum(1 for i in zipfile.ZipFile(sys.argv[1]).infolist() if not i.is_dir()))' "$package")"
  found="$( [ -d "$installed" ] && find "$installed/launcher" -type f ! -name launcher-started.txt | wc -l || echo 0)"
  package_bytes="$(stat -c %s "$package")"
  decoded_bytes="$(python3 -c 'import sys, zipfile; print(sum(i.file_size for i in zipfile.ZipFile(sys.argv[1]).infolist()))' "$package")"
  peak="$(sed -n 's/.*peak memory of the installer: *//p' "$log" | tail -1)"
  outcome="$(grep -a -o 'Install error:.*\|error page:.*\|click-through: .*' "$log" | head -1 || true)"
  printf '%-10s %-12s %-12s %-10s %-12s %s\n' "$((decoded_bytes >> 20)) MiB" "$((package_bytes >> 20)) MiB" \
    "$(((decoded_bytes + package_bytes) >> 20)) MiB" "$found/$expected" "${peak:--}" "${outcome:-}"
  rm -rf "$work/wineprefix/drive_c/Games" "$package"
done
