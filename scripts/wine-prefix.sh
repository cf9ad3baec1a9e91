#!/bin/bash
# Makes a Wine prefix once: i686 (32-bit Windows), x86_64 or wow64 (both 64-bit Windows;
# wow64 prefixes run the i686 programs).
set -euo pipefail
arch="$1" prefix="$2"
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ "$arch" = i686 ]; then winearch=win32 wine=wine; else winearch=win64 wine=/usr/lib/wine/wine64; fi
if [ ! -f "$prefix/.made" ]; then
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  WINEPREFIX="$prefix" WINEARCH="$winearch" "$wine" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
  [ -f "$prefix/system.reg" ] || { echo "wine-prefix: could not make $prefix" >&2; exit 1; }
  # GDI+ finds Tahoma only in the prefix's own font folder.
  mkdir -p "$prefix/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/tahoma*.ttf "$prefix/drive_c/windows/Fonts/"
  touch "$prefix/.made"
fi
