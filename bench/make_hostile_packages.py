#!/usr/bin/env python3
"""Writes packages made to hurt an installer, one file each, into OUT_DIR, and prints
one line per package: its file name and the start of the outcome text it must end in
("ok" for one that must be accepted).

    make_hostile_packages.py OUT_DIR

The ZIP structures are written by hand, since the point is what no well-behaved tool
writes: records that share data, sizes no stream can reach, names that Windows takes
for one file or for a device.
"""
import bz2
import os
import struct
import sys
import zlib

STORED, DEFLATE, BZIP2 = 0, 8, 12
UTF8_FLAG = 0x800


def local_header(name, method, crc, packed, size):
    return struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, UTF8_FLAG, method, 0, 0x21, crc, packed, size,
                       len(name), 0) + name


def central_record(name, method, crc, packed, size, offset):
    return struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, UTF8_FLAG, method, 0, 0x21, crc, packed,
                       size, len(name), 0, 0, 0, 0, 0o644 << 16, offset) + name


def archive(entries):
    """entries: (name, method, data, claimed size or None, crc or None). Each gets a local
    header of its own."""
    body, directory = b"", b""
    for name, method, data, size, crc in entries:
        name = name.encode("utf-8")
        plain = data if method == STORED else None
        crc = crc if crc is not None else zlib.crc32(plain if plain is not None else b"")
        size = size if size is not None else len(data)
        directory += central_record(name, method, crc, len(data), size, len(body))
        body += local_header(name, method, crc, len(data), size) + data
    return body + directory + end_record(len(entries), len(directory), len(body))


def end_record(count, directory_size, directory_offset):
    return struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, directory_size, directory_offset, 0)


def shared_stream(records):
    """One local header and one bzip2 stream of 256 MiB of zeros, named by many central
    records: a few KB that would decode to records x 256 MiB."""
    size = 256 << 20
    data = bz2.compress(bytes(size), 9)
    crc = zlib.crc32(bytes(size))
    head = local_header(b"zeros-0.bin", BZIP2, crc, len(data), size) + data
    directory = b"".join(central_record(b"zeros-%d.bin" % k, BZIP2, crc, len(data), size, 0)
                         for k in range(records))
    return head + directory + end_record(records, len(directory), len(head))


def plain(name, text=b"data\n"):
    return (name, STORED, text, None, None)


def packages():
    small_bzip2 = bz2.compress(b"x" * 1000, 9)
    stored = b"y" * 100
    deflated = zlib.compressobj(9, zlib.DEFLATED, -15)
    deflated = deflated.compress(b"z" * 1000) + deflated.flush()
    # a.txt claims, with a matching CRC, the bytes of b.txt's header and data too: each
    # decodes on its own, but together they would write one stretch of bytes twice.
    first = b"0123456789"
    second = local_header(b"b.txt", STORED, zlib.crc32(b"abcdefghij"), 10, 10) + b"abcdefghij"
    covered = first + second
    body = local_header(b"a.txt", STORED, zlib.crc32(covered), len(covered), len(covered)) + covered
    directory = (central_record(b"a.txt", STORED, zlib.crc32(covered), len(covered), len(covered), 0) +
                 central_record(b"b.txt", STORED, zlib.crc32(b"abcdefghij"), 10, 10, 30 + 5 + len(first)))
    overlapping = body + directory + end_record(2, len(directory), len(body))
    return [
        ("shared-stream-4.zip", "zip.overlap", shared_stream(4)),
        ("shared-stream-64.zip", "zip.overlap", shared_stream(64)),
        ("overlapping-data.zip", "zip.overlap", overlapping),
        ("bzip2-claims-4-GiB.zip", "zip.size",
         archive([("huge.bin", BZIP2, small_bzip2, 0xFFFFFFF0, zlib.crc32(b"x" * 1000))])),
        ("stored-claims-4-GiB.zip", "zip.size", archive([("huge.bin", STORED, stored, 0xFFFFFFF0, None)])),
        ("deflate-claims-4-GiB.zip", "zip.size",
         archive([("huge.bin", DEFLATE, deflated, 0xFFFFFFF0, zlib.crc32(b"z" * 1000))])),
        ("long-name-128-KiB.zip", "ok", archive([plain("a/" * 32767 + "f")])),
        ("case-beyond-ascii.zip", "zip.duplicate", archive([plain("\u00c9t\u00e9.txt"), plain("\u00e9t\u00e9.txt")])),
        ("case-cyrillic.zip", "zip.duplicate", archive([plain("\u0424\u0430\u0439\u043b"), plain("\u0444\u0430\u0439\u043b")])),
        ("short-name-alias.zip", "zip.name", archive([plain("launcher/Launcher.exe"), plain("launcher/LAUNCH~1.EXE")])),
        ("device-superscript.zip", "zip.name", archive([plain("data/COM\u00b9.txt")])),
        ("damaged-content.zip", "zip.crc",
         archive([("file.bin", STORED, b"damaged!", None, zlib.crc32(b"original"))])),
    ]


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, outcome, data in packages():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print(name, outcome)


if __name__ == "__main__":
    main()
