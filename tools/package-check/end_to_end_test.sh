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
python3 - "$work/good.zip" "$work/out" <<'PY' || fail "extracted files differ from the archive"
import os, sys, zipfile
archive, out = zipfile.ZipFile(sys.argv[1]), sys.argv[2]
wanted = {i.filename for i in archive.infolist() if not i.is_dir()}
found = {os.path.relpath(os.path.join(d, f), out).replace(os.sep, "/")
         for d, _, files in os.walk(out) for f in files}
bad = [n for n in wanted if n in found and open(os.path.join(out, n), "rb").read() != archive.read(n)]
if wanted != found or bad:
    sys.exit("differs: missing %s, extra %s, content %s" % (sorted(wanted - found), sorted(found - wanted), bad))
PY

out="$("$@" "$drive$work/damaged.zip" | tr -d '\r')"; rc=$?
echo "$out"
[ "$rc" = 1 ] || fail "damaged package: exit $rc"
last="$(tail -n1 <<<"$out")"
[[ "$last" == "zip.eocd: "*":system:11" ]] || fail "damaged package: last line '$last'"

out="$("$@" "$drive$work/missing.zip" | tr -d '\r')"; rc=$?
[ "$rc" = 1 ] || fail "missing file: exit $rc"

# Nothing listens on port 1: the downloader's own text ends the output.
out="$("$@" "http://127.0.0.1:1/Launcher-Setup.zip" | tr -d '\r')"; rc=$?
echo "$out"
[ "$rc" = 1 ] || fail "unreachable URL: exit $rc"
last="$(tail -n1 <<<"$out")"
[[ "$last" == "WinHttpSendRequest failed" || "$last" == "URL downloads need the Windows build" ]] ||
    fail "unreachable URL: last line '$last'"
exit $failed
