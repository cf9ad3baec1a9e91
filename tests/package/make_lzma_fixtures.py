#!/usr/bin/env python3
"""Writes LZMA entries made by independent encoders for the decoder tests.

For every case NAME: NAME.entry (the 9-byte entry header, then the raw stream) and
NAME.out (the bytes it must decode to); manifest.txt lists "NAME SIZE MARKER" lines
(MARKER 1 when the stream ends with an end marker). The 7-Zip archives stay as TAG.zip.
Encoders: Python's lzma module (raw LZMA1 and the .lzma "alone" format), Python's
zipfile and 7-Zip's 7zz (zip entries, with and without end marker).
"""
import io
import lzma
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile


def text_like(size, seed):
    rng = random.Random(seed)
    words = [''.join(rng.choice('etaoinshrdlucmfwyp') for _ in range(rng.randint(2, 9)))
             for _ in range(400)]
    out = []
    length = 0
    while length < size:
        line = ' '.join(rng.choice(words) for _ in range(rng.randint(3, 14))) + '.\n'
        out.append(line)
        length += len(line)
    return ''.join(out).encode()[:size]


def binary_like(size, seed):
    rng = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        # Records of little-endian counters and small floats, like tables in an executable.
        out += struct.pack('<IIhf', len(out), rng.randint(0, 300), rng.randint(-5, 5), rng.random())
    return bytes(out[:size])


def incompressible(size, seed):
    return random.Random(seed).randbytes(size)


def entry_header(props5):
    return bytes([9, 20, 5, 0]) + props5


def raw_entry(data, lc, lp, pb, dict_size=1 << 20, preset=6):
    filt = {'id': lzma.FILTER_LZMA1, 'preset': preset, 'lc': lc, 'lp': lp, 'pb': pb,
            'dict_size': dict_size}
    props = lzma._encode_filter_properties(filt)
    stream = lzma.compress(data, format=lzma.FORMAT_RAW, filters=[filt])
    return entry_header(props) + stream


def alone_entry(data, preset):
    alone = lzma.compress(data, format=lzma.FORMAT_ALONE, preset=preset)
    # props byte, dictionary size, 8-byte size (unknown: the stream has an end marker)
    return entry_header(alone[:5]) + alone[13:]


def zip_entries(path, plain=None):
    """(name, entry data, uncompressed bytes, has end marker) for every LZMA entry.
    `plain` maps names to their bytes where the zipfile module cannot decode them."""
    result = []
    raw = open(path, 'rb').read()
    with zipfile.ZipFile(path) as archive:
        for info in archive.infolist():
            if info.compress_type != zipfile.ZIP_LZMA:
                continue
            offset = info.header_offset
            name_length, extra_length = struct.unpack('<HH', raw[offset + 26:offset + 30])
            start = offset + 30 + name_length + extra_length
            data = raw[start:start + info.compress_size]
            content = plain[info.filename] if plain else archive.read(info)
            result.append((info.filename, data, content, bool(info.flag_bits & 2)))
    return result


def seven_zip_cases(work, files, out_dir):
    """7-Zip zip entries: default (end marker), eos=off, and the widest lc/lp/pb.
    The archives are kept too, for reading through the ZIP reader."""
    exe = shutil.which('7zz')
    if not exe:
        sys.exit('make_lzma_fixtures.py: 7zz (7-Zip) is needed')
    src = os.path.join(work, 'src')
    os.makedirs(src)
    for name, data in files.items():
        with open(os.path.join(src, name), 'wb') as f:
            f.write(data)
    cases = []
    for tag, method in (('7z_eos', 'LZMA'), ('7z_noeos', 'LZMA:eos=off'),
                        ('7z_lc8', 'LZMA:lc=8:lp=4:pb=4:eos=off'),
                        ('7z_d64k', 'LZMA:d=64k:eos=off')):
        archive = os.path.join(work, tag + '.zip')
        subprocess.run([exe, 'a', '-tzip', '-mm=' + method, archive, '.'], cwd=src, check=True,
                       stdout=subprocess.DEVNULL)
        for name, data, plain, marker in zip_entries(archive, files):
            cases.append(('%s_%s' % (tag, name), data, plain, marker))
        shutil.copy(archive, os.path.join(out_dir, tag + '.zip'))
    return cases


def python_zip_case(data):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, 'w', compression=zipfile.ZIP_LZMA) as archive:
        archive.writestr('entry.bin', data)
    path = tempfile.mktemp()
    with open(path, 'wb') as f:
        f.write(buffer.getvalue())
    try:
        return [('pyzip_' + n, d, p, m) for n, d, p, m in zip_entries(path)]
    finally:
        os.remove(path)


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    text = text_like(300_000, 1)
    binary = binary_like(200_000, 2)
    noise = incompressible(100_000, 3)
    mixed = text[:60_000] + noise[:20_000] + binary[:60_000] + text[:30_000]

    cases = []  # (name, entry, plain, marker)
    for lc, lp, pb in ((0, 0, 0), (1, 0, 0), (2, 0, 1), (3, 0, 2), (4, 0, 4), (0, 4, 0),
                       (1, 3, 3), (2, 2, 2), (0, 2, 4), (3, 1, 1)):
        cases.append(('raw_lc%d_lp%d_pb%d' % (lc, lp, pb), raw_entry(mixed, lc, lp, pb), mixed, True))
    cases.append(('raw_text', raw_entry(text, 3, 0, 2), text, True))
    cases.append(('raw_binary', raw_entry(binary, 0, 2, 2), binary, True))
    cases.append(('raw_noise', raw_entry(noise, 3, 0, 2), noise, True))
    cases.append(('raw_zeros', raw_entry(bytes(2_000_000), 3, 0, 2), bytes(2_000_000), True))
    pattern = (b'0123456789abcdefXYZ' * 40000)[:700_001]
    cases.append(('raw_repeat', raw_entry(pattern, 3, 0, 2), pattern, True))
    # Big enough that the entry's fresh pages are made by the idle workers first.
    large = mixed * 64
    cases.append(('raw_large', raw_entry(large, 3, 0, 2), large, True))
    cases.append(('raw_empty', raw_entry(b'', 3, 0, 2), b'', True))
    cases.append(('raw_one', raw_entry(b'Q', 3, 0, 2), b'Q', True))
    # Far repeats beyond a 4 KiB dictionary: the encoder may only refer 4 KiB back.
    far = (noise[:3000] + text[:6000]) * 12
    cases.append(('raw_small_dict', raw_entry(far, 3, 0, 2, dict_size=4096), far, True))
    cases.append(('alone_fast', alone_entry(mixed, 1), mixed, True))
    cases.append(('alone_extreme', alone_entry(text, 9 | lzma.PRESET_EXTREME), text, True))
    cases += python_zip_case(binary)

    work = tempfile.mkdtemp()
    try:
        cases += seven_zip_cases(work, {'text.txt': text, 'noise.bin': noise[:30_000],
                                        'one.bin': b'x', 'mixed.bin': mixed}, out_dir)
    finally:
        shutil.rmtree(work)

    with open(os.path.join(out_dir, 'manifest.txt'), 'w') as manifest:
        for name, entry, plain, marker in cases:
            name = name.replace('.', '_')
            with open(os.path.join(out_dir, name + '.entry'), 'wb') as f:
                f.write(entry)
            with open(os.path.join(out_dir, name + '.out'), 'wb') as f:
                f.write(plain)
            manifest.write('%s %d %d\n' % (name, len(plain), 1 if marker else 0))


if __name__ == '__main__':
    main()
