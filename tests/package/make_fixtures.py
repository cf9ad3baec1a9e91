#!/usr/bin/env python3
"""Writes ZIP packages made by independent tools for the reader tests.

Usage: make_fixtures.py OUTDIR

OUTDIR/sources/fN.bin    the content of source file N
OUTDIR/sources.txt       "fN HEX" lines: HEX is the file's path inside every package as
                         UTF-16LE code units (so the test needs no conversion of its own)
OUTDIR/NAME.zip          one package per tool and method, holding every source file
                         (plus directory entries where the tool adds them)
OUTDIR/manifest.txt      "NAME.zip" lines of the packages that must decode in full
OUTDIR/refused.txt       "NAME.zip IDENTIFIER" lines of packages that open must refuse
OUTDIR/zeros.zip         entries of zero bytes that each compressor packs as tightly as it
                         can (deflate, bzip2, LZMA): ZERO-COUNT lines in zeros.txt
OUTDIR/flips.txt         "NAME.zip INDEX OFFSET LENGTH" lines: where the data of entry
                         INDEX lies in the package, for damaging it bit by bit
Tools: Python's zipfile, Info-ZIP zip, 7-Zip's 7zz.
"""
import io
import os
import random
import shutil
import subprocess
import sys
import zipfile

# Paths inside the packages; non-ASCII ones check the UTF-8 names, the last one needs a
# surrogate pair in UTF-16.
FILES = [
    ('readme.txt', 'text', 20000),
    ('bin/tables.dat', 'binary', 300000),
    ('bin/noise.bin', 'noise', 70000),
    ('bin/empty.txt', 'empty', 0),
    ('data/large.txt', 'text', 2500000),  # several bzip2 blocks
    ('données/été.txt', 'text', 3000),
    ('日本語/ファイル.txt', 'text', 1000),
    ('icons/\U0001F3AE.ico', 'binary', 5000),
]


def content(kind, size, seed):
    rng = random.Random(seed)
    if kind == 'empty':
        return b''
    if kind == 'noise':
        return rng.randbytes(size)
    if kind == 'binary':
        out = bytearray()
        while len(out) < size:
            out += (len(out) // 7).to_bytes(4, 'little') + bytes([rng.randint(0, 3)]) * 3
        return bytes(out[:size])
    words = [''.join(rng.choice('etaoinshrdlu') for _ in range(rng.randint(2, 8))) for _ in range(300)]
    text = []
    length = 0
    while length < size:
        line = ' '.join(rng.choice(words) for _ in range(rng.randint(4, 12))) + '\n'
        text.append(line)
        length += len(line)
    return ''.join(text).encode()[:size]


def run(args, cwd, stdin=None, stdout=None):
    env = dict(os.environ, LC_ALL='C.UTF-8', LANG='C.UTF-8')
    subprocess.run(args, cwd=cwd, env=env, check=True, stdin=stdin, stdout=stdout,
                   stderr=subprocess.PIPE)


def main():
    out = os.path.abspath(sys.argv[1])
    shutil.rmtree(out, ignore_errors=True)
    tree = os.path.join(out, 'tree')  # the files under their package paths, for the tools
    sources = os.path.join(out, 'sources')
    os.makedirs(sources)
    data = {}
    with open(os.path.join(out, 'sources.txt'), 'w') as listing:
        for i, (path, kind, size) in enumerate(FILES):
            data[path] = content(kind, size, i)
            with open(os.path.join(sources, f'f{i}.bin'), 'wb') as f:
                f.write(data[path])
            full = os.path.join(tree, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, 'wb') as f:
                f.write(data[path])
            listing.write(f'f{i} {path.encode("utf-16-le").hex()}\n')

    packages = []

    def python_zip(name, method, comment=b''):
        with zipfile.ZipFile(os.path.join(out, name), 'w', method) as z:
            for path, _, _ in FILES:
                z.writestr(path, data[path])
            z.comment = comment
        packages.append(name)

    python_zip('python_stored.zip', zipfile.ZIP_STORED)
    python_zip('python_deflate.zip', zipfile.ZIP_DEFLATED)
    python_zip('python_bzip2.zip', zipfile.ZIP_BZIP2)
    python_zip('python_lzma.zip', zipfile.ZIP_LZMA)
    # The largest comment there is; the end record lies more than 64 KiB before the end.
    python_zip('python_comment.zip', zipfile.ZIP_DEFLATED, bytes(random.Random(9).randbytes(65535)))

    def infozip(name, *options):
        run(['zip', '-q', '-r', '-X', *options, os.path.join(out, name), '.'], tree)
        packages.append(name)

    infozip('infozip_stored.zip', '-0')
    infozip('infozip_deflate.zip', '-9')
    infozip('infozip_bzip2.zip', '-Z', 'bzip2')
    with open(os.path.join(out, 'comment.txt'), 'wb') as f:
        f.write(b'Launcher package\nbuilt for the reader tests\n')
    with open(os.path.join(out, 'comment.txt'), 'rb') as f:
        run(['zip', '-q', '-r', '-X', '-z', os.path.join(out, 'infozip_comment.zip'), '.'], tree, stdin=f)
    packages.append('infozip_comment.zip')
    # Bytes in front of an archive whose offsets count from its own start.
    with open(os.path.join(out, 'infozip_prefixed.zip'), 'wb') as f:
        f.write(b'MZ' + random.Random(5).randbytes(4093))
        with open(os.path.join(out, 'infozip_deflate.zip'), 'rb') as archive:
            f.write(archive.read())
    packages.append('infozip_prefixed.zip')

    for method in ('Copy', 'Deflate', 'BZip2', 'LZMA'):
        name = f'7zip_{method.lower()}.zip'
        run(['7zz', 'a', '-tzip', f'-mm={method}', '-mcu=on', os.path.join(out, name), '.'],
            tree, stdout=subprocess.DEVNULL)
        packages.append(name)

    # Written to a stream that cannot seek: sizes and CRCs follow the data in data
    # descriptors (flag bit 3), the local headers hold zeros.
    class Unseekable(io.RawIOBase):
        def __init__(self, f):
            self.f = f

        def writable(self):
            return True

        def write(self, b):
            return self.f.write(b)

    with open(os.path.join(out, 'python_descriptor.zip'), 'wb') as f:
        with zipfile.ZipFile(Unseekable(f), 'w', zipfile.ZIP_DEFLATED) as z:
            for path, _, _ in FILES:
                with z.open(path, 'w') as entry:
                    entry.write(data[path])
    packages.append('python_descriptor.zip')
    for method in ('Deflate', 'BZip2'):
        name = f'7zip_{method.lower()}_descriptor.zip'
        with open(os.path.join(out, name), 'wb') as f:
            run(['7zz', 'a', '-tzip', f'-mm={method}', '-mcu=on', '-so', 'unused.zip', '.'], tree, stdout=f)
        packages.append(name)

    # The tightest each compressor gets: a bzip2 block of the most zeros one block takes.
    zeros = {'zeros.deflate': (20000000, zipfile.ZIP_DEFLATED),
             'zeros.bzip2': (45899235, zipfile.ZIP_BZIP2),
             'zeros.lzma': (20000000, zipfile.ZIP_LZMA)}
    with zipfile.ZipFile(os.path.join(out, 'zeros.zip'), 'w') as z:
        for name, (count, method) in zeros.items():
            z.writestr(zipfile.ZipInfo(name), bytes(count), method, 9)
    with open(os.path.join(out, 'zeros.txt'), 'w') as f:
        f.writelines(f'{count}\n' for count, _ in zeros.values())

    # The 3000-byte text entry of each Python package, one per method.
    with open(os.path.join(out, 'flips.txt'), 'w') as f:
        for name in ('python_stored.zip', 'python_deflate.zip', 'python_bzip2.zip', 'python_lzma.zip'):
            with open(os.path.join(out, name), 'rb') as archive:
                whole = archive.read()
            infos = zipfile.ZipFile(io.BytesIO(whole)).infolist()
            index = [i.filename for i in infos].index('données/été.txt')
            info = infos[index]
            local = info.header_offset
            start = local + 30 + int.from_bytes(whole[local + 26:local + 28], 'little') + \
                int.from_bytes(whole[local + 28:local + 30], 'little')
            f.write(f'{name} {index} {start} {info.compress_size}\n')

    # Streamed from standard input, Info-ZIP adds zip64 records to an archive of one entry.
    with open(os.path.join(out, 'infozip_zip64.zip'), 'wb') as f:
        run(['zip', '-q', '-', '-'], tree, stdin=subprocess.DEVNULL, stdout=f)

    with open(os.path.join(out, 'manifest.txt'), 'w') as f:
        f.writelines(name + '\n' for name in packages)
    with open(os.path.join(out, 'refused.txt'), 'w') as f:
        f.write('infozip_zip64.zip zip.zip64\n')
    shutil.rmtree(tree)


if __name__ == '__main__':
    main()
