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

# zip_reader_fuzz: packages from Python's zipfile and Info-ZIP zip. deflate_fuzz, bzip2_fuzz:
# a 3-byte little-endian size, then a stream from Python's zlib (raw) or bz2 module.
mkdir -p "$out/zip_reader_fuzz" "$out/deflate_fuzz" "$out/bzip2_fuzz"
python3 - "$out" <<'PY'
import bz2, io, os, sys, zipfile, zlib
dir = sys.argv[1]
texts = [b'', b'a', b'launcher package entry\n' * 40, bytes(range(256)) * 4]
for i, text in enumerate(texts):
    size = len(text).to_bytes(3, 'little')
    raw = zlib.compressobj(9, zlib.DEFLATED, -15)
    with open(f'{dir}/deflate_fuzz/seed{i}', 'wb') as f:
        f.write(size + raw.compress(text) + raw.flush())
    with open(f'{dir}/bzip2_fuzz/seed{i}', 'wb') as f:
        f.write(size + bz2.compress(text, 1))
# Streams of two blocks (level 1 blocks hold 100 kB), so the block by block decode has
# boundaries to find at odd bit offsets.
for i, text in enumerate([b''.join(b'entry %d of the seed\n' % k for k in range(6000)),
                          bytes(range(256)) * 300 + b'launcher\n' * 5000]):
    text = text[:0x1FFFF]
    with open(f'{dir}/bzip2_fuzz/blocks{i}', 'wb') as f:
        f.write(len(text).to_bytes(3, 'little') + bz2.compress(text, 1))
for name, method in (('stored', zipfile.ZIP_STORED), ('deflate', zipfile.ZIP_DEFLATED),
                     ('bzip2', zipfile.ZIP_BZIP2), ('lzma', zipfile.ZIP_LZMA)):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, 'w', method) as z:
        z.writestr('a.txt', texts[2])
        z.writestr('dir/\u00e9t\u00e9.bin', texts[3])
        z.writestr('empty', b'')
        z.comment = b'comment'
    with open(f'{dir}/zip_reader_fuzz/{name}.zip', 'wb') as f:
        f.write(buffer.getvalue())
with open(f'{dir}/zip_reader_fuzz/empty.zip', 'wb') as f:
    f.write(b'PK\x05\x06' + bytes(18))
PY
# unpack_fuzz: the same packages, whole. entry_names_fuzz: name lists, one name a line.
# utf8_fuzz: names in several scripts and the ill-formed sequences of each kind.
mkdir -p "$out/unpack_fuzz" "$out/entry_names_fuzz" "$out/utf8_fuzz"
python3 - "$out" <<'PY'
import os, sys
dir = sys.argv[1]
lists = [
    'launcher/Launcher.exe\nlauncher/data/\nlauncher/data/levels.bin\nreadme.txt',
    'Data/File.bin\ndata/file.BIN',
    '\u00c9t\u00e9.txt\n\u00e9t\u00e9.txt\n\u0414\u0430\u043d\u043d\u044b\u0435/x\n\u03c3/\u03c2',
    'a\na/b\nA/\n./a/../b\nb./c \n',
    'LAUNCH~1.EXE\nLauncher Setup.exe\ncom\u00b9.txt\nLPT3\nnul.log\nx:y',
    'a/' * 200 + 'f\n' + 'A/' * 200 + 'F',
]
for i, text in enumerate(lists):
    with open(f'{dir}/entry_names_fuzz/seed{i}', 'wb') as f:
        f.write(text.encode())
names = ['readme.txt', 'donn\u00e9es/\u00e9t\u00e9.txt', '\u65e5\u672c\u8a9e', '\U0001F3AE.ico']
broken = [b'\x80A', b'\xc0\xaf', b'\xed\xa0\x80', b'\xf4\x90\x80\x80', b'\xe6\x97A', b'\xf0\x9f\x8e', b'\xfe\xff']
for i, data in enumerate([n.encode() for n in names] + broken):
    with open(f'{dir}/utf8_fuzz/seed{i}', 'wb') as f:
        f.write(data)
PY
cp "$out"/zip_reader_fuzz/*.zip "$out/unpack_fuzz/"
root="$(cd "$out" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf 'launcher\n%.0s' {1..50} > "$work/a.txt"
(cd "$work" && zip -q -X "$root/zip_reader_fuzz/infozip.zip" a.txt && printf 'prefix' > p.zip &&
 cat "$root/zip_reader_fuzz/infozip.zip" >> p.zip && cp p.zip "$root/zip_reader_fuzz/prefixed.zip" &&
 cp "$root/zip_reader_fuzz/infozip.zip" "$root/zip_reader_fuzz/prefixed.zip" "$root/unpack_fuzz/")
