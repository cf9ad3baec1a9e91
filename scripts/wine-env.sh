#!/bin/bash
# Sourced by every script that starts Wine: the environment all of the project's Wine
# processes share. No Mono or Gecko prompts, and no debugger: a crash ends the process at
# once (and fails the test or the demo) instead of waiting in winedbg. A caller's own
# WINEDLLOVERRIDES are kept after these.
export WINEDEBUG="${WINEDEBUG:--all}"
velk_wine_overrides="mscoree,mshtml=;winedbg.exe=d"
case "${WINEDLLOVERRIDES:-}" in
  *winedbg.exe=d*) ;;
  "") export WINEDLLOVERRIDES="$velk_wine_overrides" ;;
  *) export WINEDLLOVERRIDES="$velk_wine_overrides;$WINEDLLOVERRIDES" ;;
esac
unset velk_wine_overrides

# The Wine loader for a prefix kind: i686 (a 32-bit prefix, as 32-bit Windows), wow64 (a
# 64-bit prefix running i686 programs, as 64-bit Windows does) or x86_64.
velk_wine_for() {
  if [ "$1" = x86_64 ]; then echo /usr/lib/wine/wine64; else echo wine; fi
}

# Wine turns Windows file names into the locale's charset: under a C locale a name such as
# "readme-é中.txt" cannot be made at all.
case "$(locale charmap 2>/dev/null)" in
  UTF-8) ;;
  *) export LC_ALL=C.UTF-8 ;;
esac
