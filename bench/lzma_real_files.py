#!/usr/bin/env python3
"""Packs real files of this machine (programs, libraries, text below /usr) into a ZIP
with ONE LZMA entry, and writes the same stream as a .lzma file for xz.

usage: lzma_real_files.py OUT_PREFIX [MiB (default 100)] [DATA_FILE]
writes OUT_PREFIX.zip and OUT_PREFIX.lzma; the file list is sorted, so the same
machine gives the same data. With DATA_FILE, its first MiB mebibytes are packed instead
(e.g. the benchmark's generated mix).
"""
import lzma
import os
import struct
import sys
import zipfile

ROOTS = ["/usr/bin", "/usr/lib/x86_64-linux-gnu", "/usr/share/doc", "/usr/include", "/usr/lib/python3"]


def files():
    for root in ROOTS:
        for folder, dirs, names in os.walk(root):
            dirs.sort()
            for name in sorted(names):
                path = os.path.join(folder, name)
                if os.path.isfile(path) and not os.path.islink(path):
                    yield path


def gather(limit):
    # A mix: a third each of programs, libraries and text, taken in turns.
    parts, size = [], 0
    groups = [[], [], []]
    for path in files():
        kind = 0 if path.startswith("/usr/bin") else 1 if path.startswith("/usr/lib/x86_64") else 2
        groups[kind].append(path)
    iters = [iter(g) for g in groups]
    while size < limit and iters:
        for it in list(iters):
            path = next(it, None)
            if path is None:
                iters.remove(it)
                continue
            try:
                with open(path, "rb") as f:
                    data = f.read()
            except OSError:
                continue
            parts.append(data)
            size += len(data)
            if size >= limit:
                break
    return b"".join(parts)[:limit]


def main():
    prefix = sys.argv[1]
    mib = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    if len(sys.argv) > 3:
        with open(sys.argv[3], "rb") as f:
            data = f.read(mib << 20)
    else:
        data = gather(mib << 20)
    if len(data) < mib << 20:
        sys.exit("not enough files")
    with zipfile.ZipFile(prefix + ".zip", "w", zipfile.ZIP_LZMA) as z:
        z.writestr("data.bin", data)
    with zipfile.ZipFile(prefix + ".zip") as z:
        info = z.getinfo("data.bin")
    with open(prefix + ".zip", "rb") as f:
        f.seek(info.header_offset)
        local = f.read(30)
        name_len, extra_len = struct.unpack("<HH", local[26:30])
        f.seek(info.header_offset + 30 + name_len + extra_len)
        entry = f.read(info.compress_size)
    # Entry: 2 version bytes, 2-byte properties size, 5 properties, raw stream (with end
    # marker). .lzma: the 5 properties, the size as 64 bits, the same raw stream.
    props = entry[4:9]
    with open(prefix + ".lzma", "wb") as f:
        f.write(props + struct.pack("<Q", len(data)) + entry[9:])
    print(f"{prefix}.zip: {len(data)} bytes in one LZMA entry of {info.compress_size} bytes")


if __name__ == "__main__":
    main()
