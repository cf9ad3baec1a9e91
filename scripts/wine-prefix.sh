#!/bin/bash
# Makes a Wine prefix for the given architecture (i686 or x86_64) once.
set -euo pipefail
arch="$1" prefix="$2"
if [ "$arch" = i686 ]; then wine=wine winearch=win32; else wine=/usr/lib/wine/wine64 winearch=win64; fi
if [ ! -f "$prefix/.made" ]; then
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  WINEPREFIX="$prefix" WINEARCH="$winearch" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    "$wine" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
  [ -f "$prefix/system.reg" ] || { echo "wine-prefix: could not make $prefix" >&2; exit 1; }
  # GDI+ finds Tahoma only in the prefix's own font folder.
  mkdir -p "$prefix/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/tahoma*.ttf "$prefix/drive_c/windows/Fonts/"
  touch "$prefix/.made"
fi
