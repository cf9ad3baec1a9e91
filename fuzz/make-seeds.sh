#!/bin/bash
# Writes the seed corpora of the fuzz targets: <dir>/<target>/<seed files>.
# Usage: fuzz/make-seeds.sh DIR   (scripts/fuzz.sh calls it when DIR has no seeds yet)
set -euo pipefail
out="$1"

# lzma_fuzz: [piece size byte][3-byte uncompressed size][LZMA entry: 9-byte header, stream],
# streams from Python's lzma module, with and without their true size.
mkdir -p "$out/lzma_fuzz"
python3 - "$out/lzma_fuzz" <<'PY'
import lzma, os, random, struct, sys
out = sys.argv[1]
rng = random.Random(5)
samples = [b'', b'a', b'hello hello hello hello', bytes(3000), rng.randbytes(600),
           b''.join(b'line %d of the seed\n' % i for i in range(300))]
n = 0
for data in samples:
    for lc, lp, pb in ((3, 0, 2), (0, 2, 0), (4, 0, 4), (1, 1, 1)):
        filt = {'id': lzma.FILTER_LZMA1, 'preset': 6, 'lc': lc, 'lp': lp, 'pb': pb, 'dict_size': 4096}
        entry = bytes([9, 20, 5, 0]) + lzma._encode_filter_properties(filt) + \
            lzma.compress(data, format=lzma.FORMAT_RAW, filters=[filt])
        for size in (len(data), len(data) + 3):
            with open(os.path.join(out, 'seed%03d' % n), 'wb') as f:
                f.write(bytes([n % 32]) + struct.pack('<I', size)[:3] + entry)
            n += 1
PY
