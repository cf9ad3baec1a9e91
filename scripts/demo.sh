#!/bin/bash
# The main job: builds the installer for the architecture this machine's Wine runs,
# serves a demo package (the sample launcher and real-sized data, every entry method)
# from a loopback server, and runs the installer under Wine: on your display when
# DISPLAY is set, otherwise under Xvfb with an automatic click-through that keeps a
# screenshot of each stage. Also checks the package with the installer's own code.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELKARION_BUILD:-$here/build}"
"$here/scripts/setup.sh"

# The package check: the same decoding and writing, natively.
cmake -S "$here" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build/native" package-check

arch="$("$here/scripts/test-arch.sh")"
win="$build/demo-$arch"
# The configuration that ships: Release.
cmake -S "$here" -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw.cmake" \
  -DVELKARION_ARCH="$arch" >/dev/null
ninja -C "$win" -j2 VelkarionSetupTest sample_launcher click_through
url="$(sed -n 's/^VELKARION_TEST_PACKAGE_URL:STRING=//p' "$win/CMakeCache.txt")"
exe="$win/installer/app/VelkarionSetupTest.exe"

demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo/serve" "$demo/screenshots"
package="$demo/serve/Launcher-Setup.zip"
launcher="$win/tools/sample-launcher/Launcher.exe"
python3 "$here/tools/make-sample-package.py" "$package" --launcher "$launcher" --size-mb 120
"$build/native/tools/package-check/package-check" --extract "$demo/extracted" "$demo/serve/Launcher-Setup.zip"

export WINEPREFIX="$demo/wineprefix"
source "$here/scripts/wine-env.sh"
"$here/scripts/wine-prefix.sh" "$arch" "$WINEPREFIX"
wine="$(velk_wine_for "$arch")"

python3 "$here/tools/serve-package.py" start "$demo/serve" "$url"
trap 'python3 "$here/tools/serve-package.py" stop "$demo/serve"' EXIT
winpath() { echo "Z:$1" | tr / '\\'; }

if [ -n "${DISPLAY:-}" ]; then
  echo "The installer opens on your display; it downloads from $url."
  "$wine" "$(winpath "$exe")" || true
  wineserver -w || true
else
  echo "No DISPLAY: running under Xvfb with the automatic click-through."
  export VELK_LAUNCHER_EXIT_AFTER_MS=3000
  click_status=0
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
    "\"$wine\" \"$(winpath "$win/tools/installer-driver/click_through.exe")\" \"$(winpath "$exe")\" \"$(winpath "$demo/screenshots")\" \"$(winpath "$demo/serve")\"; status=\$?; wineserver -w; exit \$status" \
    || click_status=$?
  if command -v convert >/dev/null; then
    for bmp in "$demo/screenshots"/*.bmp; do
      [ -e "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done
  fi
  echo "Screenshots of each stage:"
  ls -1 "$demo/screenshots"/* | sed 's/^/  /'
fi
installed="$WINEPREFIX/drive_c/Games/Velkarion"
if [ -d "$installed" ]; then
  echo "Installed below $installed:"
  (cd "$installed" && find . -type f | sort | head -30 | sed 's/^/  /')
  echo "  $(find "$installed" -type f | wc -l) files, $(du -sh "$installed" | cut -f1)"
fi

# The demo succeeded only if the installer wrote every file of the package, copied itself
# and started the launcher.
problems=()
[ "${click_status:-0}" = 0 ] || problems+=("the click-through failed (exit status $click_status)")
missing=0
while IFS= read -r name; do
  [ -f "$installed/$name" ] || { missing=$((missing + 1)); [ "$missing" -le 5 ] && problems+=("missing: $name"); }
done < <(cd "$demo/extracted" && find . -type f | sed 's|^\./||')
[ "$missing" -le 5 ] || problems+=("... $missing files missing in all")
[ -f "$installed/uninstall.exe" ] || problems+=("missing: uninstall.exe")
[ -f "$installed/launcher/launcher-started.txt" ] || problems+=("the launcher was not started")
if [ ${#problems[@]} -ne 0 ]; then
  echo "DEMO FAILED: the install did not complete:"
  printf '  %s\n' "${problems[@]}"
  exit 1
fi
echo "demo: the install completed (installer built for $arch)"
