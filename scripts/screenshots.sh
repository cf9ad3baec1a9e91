#!/bin/bash
# Builds the x86_64 windows build, shows each page in the real window under Xvfb with
# 64-bit Wine, and saves the window's pixels to docs/screenshots/.
#   scripts/screenshots.sh            (build folder: build/screenshots-x86_64)
#   VELK_SCREENSHOT_BUILD=dir scripts/screenshots.sh
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELK_SCREENSHOT_BUILD:-$here/build/screenshots-x86_64}"
out="$here/docs/screenshots"

# One shot inside the running X server: start the preview, wait for the rectangle it
# writes once painted, grab the screen and cut the window out.
if [ "${1:-}" = --inside-x ]; then
  shift
  name="$1"; shift
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  VELK_BINARY_DIR="$build" WINEPREFIX="$build/wineprefix-screenshots" \
    "$here/scripts/wine-run.sh" x86_64 "$build/tools/page-preview/page_preview.exe" \
    --rect-file "Z:$work/rect" --seconds 30 "$@" &
  preview=$!
  for _ in $(seq 300); do [ -s "$work/rect" ] && break; sleep 0.1; done
  [ -s "$work/rect" ] || { echo "screenshots: the preview did not show its window" >&2; kill "$preview"; exit 1; }
  sleep 1.5  # hover states and layered-window composition settle
  read -r left top width height <"$work/rect"
  import -window root "$work/screen.png"
  convert "$work/screen.png" -crop "${width}x${height}+${left}+${top}" +repage "$out/$name.png"
  kill "$preview" 2>/dev/null || true
  wait "$preview" 2>/dev/null || true
  echo "wrote $out/$name.png (${width}x${height} at $left,$top)"
  exit 0
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw.cmake" -DVELKARION_ARCH=x86_64 >/dev/null
fi
ninja -C "$build" -j2 page_preview
mkdir -p "$out"

# The prefix is made before X starts, so its first-run dialogs never reach a screenshot.
VELK_BINARY_DIR="$build" "$here/scripts/wine-prefix.sh" x86_64 "$build/wineprefix-screenshots"
shoot() {
  xvfb-run -a -s "-screen 0 1024x768x24" "$here/scripts/screenshots.sh" --inside-x "$@"
}
shoot install-page --page install
shoot install-page-hover --page install --hover install
shoot install-progress --page install --progress 0.62
shoot uninstall-page --page uninstall
shoot uninstall-progress --page uninstall --progress 0.4 --hover reinstall
