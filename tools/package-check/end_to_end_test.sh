#!/bin/bash
# package-check end to end: a sample package checks and extracts (exit 0, launcher
# present); a cut-off copy fails with the installer's outcome text as the last line
# (exit 1). Arguments: work dir, then the command that runs package-check.
set -uo pipefail
work="$1"; shift
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
rm -rf "$work" && mkdir -p "$work"
python3 "$here/../make-sample-package.py" "$work/good.zip" --size-mb 2 >/dev/null || exit 1
head -c 100000 "$work/good.zip" >"$work/damaged.zip"
# A Windows program reaches the Unix path P as Z:P.
drive=""; [[ "${!#}" == *.exe ]] && drive="Z:"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

out="$("$@" --threads 2 --extract "$drive$work/out" "$drive$work/good.zip" | tr -d '\r')"; rc=$?
echo "$out"
[ "$rc" = 0 ] || fail "good package: exit $rc"
[ "$(tail -n1 <<<"$out")" = 'launcher  launcher\Launcher.exe present' ] || fail "good package: last line"
[ -s "$work/out/launcher/Launcher.exe" ] || fail "launcher not extracted"
[ -f "$work/out/launcher/empty.cfg" ] && [ ! -s "$work/out/launcher/empty.cfg" ] || fail "empty file"
cmp -s <(cd "$work/out" && find . -type f | sort) <(python3 -c '
import sys, zipfile
for n in sorted("./" + i.filename for i in zipfile.ZipFile(sys.argv[1]).infolist() if not i.is_dir()): print(n)' "$work/good.zip") ||
    fail "extracted file list differs from the archive"

out="$("$@" "$drive$work/damaged.zip" | tr -d '\r')"; rc=$?
echo "$out"
[ "$rc" = 1 ] || fail "damaged package: exit $rc"
last="$(tail -n1 <<<"$out")"
[[ "$last" == "zip.eocd: "*":system:11" ]] || fail "damaged package: last line '$last'"

out="$("$@" "$drive$work/missing.zip" | tr -d '\r')"; rc=$?
[ "$rc" = 1 ] || fail "missing file: exit $rc"
exit $failed
