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

# The demo runs what ships, the i686 build, also where this machine cannot run it itself.
arch=i686
host_arch="$("$here/scripts/test-arch.sh")"
win="$build/demo-$arch"
# The configuration that ships: Release.
cmake -S "$here" -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw.cmake" \
  -DVELKARION_ARCH="$arch" >/dev/null
ninja -C "$win" -j2 VelkarionSetupTest sample_launcher click_through
url="$(sed -n 's/^VELKARION_TEST_PACKAGE_URL:STRING=//p' "$win/CMakeCache.txt")"

demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo/serve" "$demo/screenshots"
package="$demo/serve/Launcher-Setup.zip"
launcher="$win/tools/sample-launcher/Launcher.exe"
python3 "$here/tools/make-sample-package.py" "$package" --launcher "$launcher" --size-mb 120
"$build/native/tools/package-check/package-check" --extract "$demo/extracted" "$demo/serve/Launcher-Setup.zip"

export WINEPREFIX="$demo/wineprefix"
click_status=0
if [ "$host_arch" = i686 ]; then
  "$here/scripts/demo-install.sh" "$arch" "$win" "$demo" "$url" || click_status=$?
else
  echo "This machine's kernel runs no 32-bit programs: the installer runs in an emulated machine"
  echo "(scripts/i686-vm.sh), several times slower than it would run here."
  "$here/scripts/i686-vm.sh" run "$here" "$here/scripts/demo-install.sh" "$arch" "$win" "$demo" "$url" \
    || click_status=$?
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
