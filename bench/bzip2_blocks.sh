#!/bin/bash
# One large bzip2 entry on one and on two threads: package-check --threads 1 and 2 on a
# one-entry package of 48 MiB of /usr files (bzip2 level 9), against lbzip2 -n 2 and
# bzip2 on the same stream. The commands take turns, round after round; the table gives
# each one's median (and range) of whole-process wall and CPU time, and the medians of
# the ratios taken within each round.
# Usage: bench/bzip2_blocks.sh [BUILD_DIR] [ROUNDS]   (a native Release build)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$here/build/native}" && pwd)" rounds="${2:-7}"
check="$build/tools/package-check/package-check"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd / && find usr/lib usr/share -type f -size -4M 2>/dev/null | LC_ALL=C sort |
   tar -c --no-recursion -T - 2>/dev/null || true) | head -c $((48 << 20)) >"$work/data"
python3 - "$work" "$check" "$rounds" <<'PY'
import os, statistics, subprocess, sys, time, zipfile
work, check, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = open(f'{work}/data', 'rb').read()
with zipfile.ZipFile(f'{work}/package.zip', 'w') as z:
    z.writestr(zipfile.ZipInfo('data.bin'), data, compress_type=zipfile.ZIP_BZIP2, compresslevel=9)
with zipfile.ZipFile(f'{work}/package.zip') as z:
    info = z.infolist()[0]
package = open(f'{work}/package.zip', 'rb').read()
start = info.header_offset + 30 + int.from_bytes(package[info.header_offset + 26:info.header_offset + 28], 'little') \
    + int.from_bytes(package[info.header_offset + 28:info.header_offset + 30], 'little')
stream = package[start:start + info.compress_size]
assert stream[:4] == b'BZh9'
open(f'{work}/data.bz2', 'wb').write(stream)
decoded_size, packed_size = len(data), len(stream)
commands = [
    ('package-check --threads 1', [check, '--threads', '1', f'{work}/package.zip']),
    ('package-check --threads 2', [check, '--threads', '2', f'{work}/package.zip']),
    ('lbzip2 -dc -n 2', ['lbzip2', '-dc', '-n', '2', f'{work}/data.bz2']),
    ('bzip2 -dc', ['bzip2', '-dc', f'{work}/data.bz2']),
]
decoded_line = b'decoded   %d bytes' % len(data)
del data, package, stream  # a child's peak memory counts its parent's from before exec
def run(argv):
    # Peak memory through /usr/bin/time, which is small when it starts the command.
    with open(os.devnull, 'wb') as null:
        begin = time.perf_counter()
        child = subprocess.Popen(['/usr/bin/time', '-f', '%M', '-o', f'{work}/peak'] + argv,
                                 stdout=subprocess.PIPE if argv[0] == check else null)
        out = child.stdout.read() if child.stdout else b''
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - begin
    if status != 0 or (argv[0] == check and decoded_line not in out):
        sys.exit(f'failed: {argv}')
    return wall, usage.ru_utime + usage.ru_stime, int(open(f'{work}/peak').read().split()[-1]) / 1024
for _, argv in commands:
    run(argv)  # warm-up: files in the page cache, lbzip2 and bzip2 loaded
times = {name: [] for name, _ in commands}
for _ in range(rounds):
    for name, argv in commands:
        times[name].append(run(argv))
print(f'{decoded_size >> 20} MiB decoded, {packed_size / 1048576:.1f} MiB bzip2 level 9, '
      f'{rounds} rounds, load average {os.getloadavg()[0]:.1f}')
print()
print('| command | wall s, median (min-max) | CPU s, median | peak memory MiB, median |')
print('|---|---:|---:|---:|')
for name, _ in commands:
    walls = [t[0] for t in times[name]]
    cpus = [t[1] for t in times[name]]
    peaks = [t[2] for t in times[name]]
    print(f'| {name} | {statistics.median(walls):.2f} ({min(walls):.2f}-{max(walls):.2f}) | '
          f'{statistics.median(cpus):.2f} | {statistics.median(peaks):.1f} |')
def ratio(a, b):
    return statistics.median(x[0] / y[0] for x, y in zip(times[a], times[b]))
print()
print('| ratio of wall times, median over rounds | |')
print('|---|---:|')
print(f'| speed-up, threads 1 / threads 2 (target >= 1.6) | {ratio("package-check --threads 1", "package-check --threads 2"):.2f} |')
print(f'| threads 2 / lbzip2 -n 2 (target <= 1.3) | {ratio("package-check --threads 2", "lbzip2 -dc -n 2"):.2f} |')
print(f'| threads 1 / bzip2 -dc | {ratio("package-check --threads 1", "bzip2 -dc"):.2f} |')
PY
