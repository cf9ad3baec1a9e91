#!/usr/bin/env python3
"""Packages for the install tests, written by Python's zipfile.

  make_packages.py LAUNCHER_EXE OUT_DIR

  launcher.zip  the sample launcher at launcher/Launcher.exe with data files beside it
                (stored, deflate and bzip2 entries, a directory entry, a UTF-8 name)
  blocked.zip   two small files; the tests make one of them unwritable
  damaged.zip   launcher.zip with its end record cut off
"""
import os, sys, zipfile


def data(n, seed):
    return bytes((i * seed + i // 7) % 256 for i in range(n))


def main(launcher, out):
    os.makedirs(out, exist_ok=True)
    with open(launcher, "rb") as f:
        exe = f.read()
    full = os.path.join(out, "launcher.zip")
    with zipfile.ZipFile(full + ".tmp", "w") as z:
        z.writestr("launcher/Launcher.exe", exe, zipfile.ZIP_DEFLATED)
        z.writestr("launcher/data/", b"")
        z.writestr("launcher/data/levels.bin", data(300000, 13), zipfile.ZIP_STORED)
        z.writestr("launcher/data/text.txt", b"launcher data\n" * 500, zipfile.ZIP_BZIP2)
        z.writestr("launcher/data/n\u00e4me.txt", "\u00e4\n".encode(), zipfile.ZIP_DEFLATED)
        z.writestr("readme.txt", b"", zipfile.ZIP_STORED)
    os.replace(full + ".tmp", full)
    with zipfile.ZipFile(os.path.join(out, "blocked.zip"), "w") as z:
        z.writestr("first.txt", b"first", zipfile.ZIP_DEFLATED)
        z.writestr("blocked.txt", b"blocked", zipfile.ZIP_DEFLATED)
    with open(full, "rb") as f:
        whole = f.read()
    with open(os.path.join(out, "damaged.zip"), "wb") as f:
        f.write(whole[:-30])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
