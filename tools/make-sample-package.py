#!/usr/bin/env python3
"""Writes a sample launcher package: the launcher at the path the installer starts, and
real-sized data in every method the installer reads (stored, deflate, bzip2, LZMA).

    make-sample-package.py OUT.zip [--launcher PATH_TO_EXE] [--size-mb N]

The content is deterministic: the same arguments give the same bytes.
"""
import argparse
import os
import random
import re
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
PRODUCT_CPP = os.path.join(HERE, "..", "installer", "base", "config", "product.cpp")
FIXED_TIME = (2024, 1, 1, 0, 0, 0)


def launcher_path():
    """LAUNCHER_PATH as the installer has it, with '/' separators for the archive."""
    with open(PRODUCT_CPP, encoding="utf-8") as f:
        match = re.search(r'LAUNCHER_PATH\s*=\s*L"([^"]+)"', f.read())
    if not match:
        sys.exit("LAUNCHER_PATH not found in " + PRODUCT_CPP)
    return match.group(1).replace("\\\\", "/")


def text_block(rng, size):
    """Compressible, log-like text."""
    words = ["asset", "level", "texture", "shader", "sound", "map", "unit", "config",
             "patch", "version", "player", "server", "region", "frame", "cache"]
    out, total = [], 0
    while total < size:
        line = "%08d %s=%d %s\n" % (total, rng.choice(words), rng.randrange(100000),
                                    " ".join(rng.choice(words) for _ in range(rng.randrange(3, 9))))
        out.append(line)
        total += len(line)
    return "".join(out).encode("ascii")[:size]


def binary_block(rng, size):
    """Half-compressible bytes: runs mixed with noise."""
    out = bytearray()
    while len(out) < size:
        if rng.random() < 0.5:
            out += bytes([rng.randrange(256)]) * rng.randrange(1, 64)
        else:
            out += rng.randbytes(rng.randrange(1, 64))
    return bytes(out[:size])


def add(archive, name, data, method):
    info = zipfile.ZipInfo(name, FIXED_TIME)
    info.compress_type = method
    info.external_attr = (0o40755 << 16) | 0x10 if name.endswith("/") else 0o644 << 16
    archive.writestr(info, data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--launcher", help="the launcher program to place at LAUNCHER_PATH")
    parser.add_argument("--size-mb", type=float, default=24.0, help="decoded data size (default 24)")
    args = parser.parse_args()

    rng = random.Random(20240101)
    methods = [("stored", zipfile.ZIP_STORED), ("deflate", zipfile.ZIP_DEFLATED),
               ("bzip2", zipfile.ZIP_BZIP2), ("lzma", zipfile.ZIP_LZMA)]
    total = int(args.size_mb * 1024 * 1024)
    files_per_method = 6
    each = max(1, total // (len(methods) * files_per_method))

    if args.launcher:
        with open(args.launcher, "rb") as f:
            launcher = f.read()
    else:
        launcher = b"MZ" + b"\0" * 62 + b"sample launcher stand-in\n"

    with zipfile.ZipFile(args.out, "w") as archive:
        add(archive, "launcher/", b"", zipfile.ZIP_STORED)
        add(archive, launcher_path(), launcher, zipfile.ZIP_DEFLATED)
        add(archive, "launcher/data/", b"", zipfile.ZIP_STORED)
        add(archive, "launcher/empty.cfg", b"", zipfile.ZIP_STORED)
        add(archive, "launcher/readme-\u00e9\u4e2d.txt", "sample package \u00e9\u4e2d\n".encode(), zipfile.ZIP_DEFLATED)
        for label, method in methods:
            for k in range(files_per_method):
                block = text_block if k % 2 == 0 else binary_block
                add(archive, "launcher/data/%s/part%02d.bin" % (label, k), block(rng, each), method)
    print("%s: %d bytes" % (args.out, os.path.getsize(args.out)))


if __name__ == "__main__":
    main()
