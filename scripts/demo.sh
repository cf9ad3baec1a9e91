#!/bin/bash
# The main job: sets the machine up, builds package-check, builds the sample package and
# checks it with the installer's own code.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELKARION_BUILD:-$here/build}"
"$here/scripts/setup.sh"
cmake -S "$here" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build/native" package-check
python3 "$here/tools/make-sample-package.py" "$build/sample/Launcher-Setup.zip"
"$build/native/tools/package-check/package-check" --extract "$build/sample/extracted" "$build/sample/Launcher-Setup.zip"
