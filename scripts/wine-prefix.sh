#!/bin/bash
# Makes a Wine prefix once: i686 (32-bit Windows), x86_64 or wow64 (both 64-bit Windows;
# wow64 prefixes run the i686 programs). The first prefix of a kind is made by wineboot
# as a template in the build folder; later ones are copies of it, since wineboot costs
# tens of seconds (minutes in the emulated machine) and every test program has a prefix
# of its own.
set -euo pipefail
arch="$1" prefix="$2"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/wine-env.sh"
[ -f "$prefix/.made" ] && [ -s "$prefix/system.reg" ] && exit 0

make_prefix() {  # folder
  local folder="$1" winearch wine
  if [ "$arch" = i686 ]; then winearch=win32 wine=wine; else winearch=win64 wine=/usr/lib/wine/wine64; fi
  rm -rf "$folder"
  mkdir -p "$(dirname "$folder")"
  WINEPREFIX="$folder" WINEARCH="$winearch" "$wine" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$folder" wineserver -w 2>/dev/null || true
  [ -f "$folder/system.reg" ] || { echo "wine-prefix: could not make $folder" >&2; exit 1; }
  # GDI+ finds Tahoma only in the prefix's own font folder.
  mkdir -p "$folder/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/tahoma*.ttf "$folder/drive_c/windows/Fonts/"
  # In the emulated machine the build folder is shared with write-back caching: the
  # template must reach the host's disk before it is marked made, or a machine stopped
  # early leaves a template whose registry files are empty.
  sync
  touch "$folder/.made"
  sync
}

template="${VELKARION_BUILD:-$here/build}/wine-templates/$arch"
mkdir -p "$(dirname "$template")"
(
  # Test programs start at once: one makes the template, the others wait for it.
  flock 9
  # A template whose registry never reached the disk is made again.
  [ -f "$template/.made" ] && [ -s "$template/system.reg" ] || make_prefix "$template"
) 9>"$template.lock"
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
rm -rf "$prefix.part"
# Wine's own program files are never written: the copies share them with the template by
# hard links, which spares copying half a gigabyte per prefix (minutes in the emulated
# machine). Everything else (registry, settings, fonts) is a copy of its own.
if cp -al "$template" "$prefix.part" 2>/dev/null; then
  (cd "$template" && find . -type f ! -path './drive_c/windows/system32/*' ! -path './drive_c/windows/syswow64/*' \
     ! -path './drive_c/windows/winsxs/*' ! -path './drive_c/Program Files*' -print0) |
    while IFS= read -r -d '' file; do cp -a --remove-destination "$template/$file" "$prefix.part/$file"; done
else
  rm -rf "$prefix.part"
  cp -a "$template" "$prefix.part"
fi
mv "$prefix.part" "$prefix"
