#!/bin/bash
# Runs a Windows program of the build under Wine: CTest's emulator for the windows
# configurations. The first argument is the architecture the build was made for.
# WINEPREFIX defaults to the build's own prefix, made on first use.
set -euo pipefail
arch="$1"; shift
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export WINEPREFIX="${WINEPREFIX:-${VELK_BINARY_DIR:?}/wineprefix}"
source "$here/wine-env.sh"
"$here/wine-prefix.sh" "$arch" "$WINEPREFIX"
exec "$(velk_wine_for "$arch")" "$@"
