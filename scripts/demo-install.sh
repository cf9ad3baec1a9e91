#!/bin/bash
# The Wine half of the demo: makes the demo's prefix, serves the package from loopback
# and runs the installer, on the display when DISPLAY is set, else under Xvfb with the
# automatic click-through (whose exit status this returns). Runs where 32-bit Windows
# programs run: on the machine itself, or inside the emulated one (scripts/i686-vm.sh).
#   demo-install.sh ARCH BUILD_DIR DEMO_DIR URL
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
arch="$1" win="$2" demo="$3" url="$4"
exe="$win/installer/app/VelkarionSetupTest.exe"

export WINEPREFIX="$demo/wineprefix"
source "$here/scripts/wine-env.sh"
"$here/scripts/wine-prefix.sh" "$arch" "$WINEPREFIX"
wine="$(velk_wine_for "$arch")"

python3 "$here/tools/serve-package.py" start "$demo/serve" "$url"
trap 'python3 "$here/tools/serve-package.py" stop "$demo/serve"' EXIT
winpath() { echo "Z:$1" | tr / '\\'; }

status=0
if [ -n "${DISPLAY:-}" ]; then
  echo "The installer opens on your display; it downloads from $url."
  "$wine" "$(winpath "$exe")" || true
  wineserver -w || true
else
  echo "No DISPLAY: running under Xvfb with the automatic click-through."
  # Xvfb has no window manager, and Wine waits two seconds for one each time a window it
  # thinks managed is hidden (the installer's close would take that long): here no
  # window manager manages the windows.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w  # the windows below must meet a Wine started on Xvfb's display
  export VELK_LAUNCHER_EXIT_AFTER_MS=3000
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
    "\"$wine\" \"$(winpath "$win/tools/installer-driver/click_through.exe")\" \"$(winpath "$exe")\" \"$(winpath "$demo/screenshots")\" \"$(winpath "$demo/serve")\"; status=\$?; wineserver -w; exit \$status" \
    || status=$?
  if command -v convert >/dev/null; then
    for bmp in "$demo/screenshots"/*.bmp; do
      [ -e "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done
  fi
  echo "Screenshots of each stage:"
  ls -1 "$demo/screenshots"/* | sed 's/^/  /'
fi
exit "$status"
