#!/usr/bin/env python3
"""Set-up and clean-up around the end-to-end tests of the installer exe.

  e2e_fixture.py setup WORK URL LAUNCHER ARCH PREFIX
      a fresh Wine prefix, the test package (written with Python's zipfile: the sample
      launcher and data entries stored, deflate, bzip2 and LZMA), its list of files
      WORK/expected.txt, a 64 MiB tmpfs as drive T: and a 256 KiB one (smaller than the
      launcher alone) as drive U: when mounting is allowed, and the
      package server at URL serving WORK/serve
  e2e_fixture.py cleanup WORK
"""
import os, shutil, subprocess, sys, zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
SERVER = os.path.join(ROOT, "tools", "serve-package.py")


def data(seed, size):
    out = bytearray()
    value = seed
    while len(out) < size:
        value = (value * 1103515245 + 12345) & 0x7FFFFFFF
        out += b"%08x level %d\n" % (value, value % 97)
    return bytes(out[:size])


def make_package(path, launcher):
    entries = [
        ("launcher/Launcher.exe", open(launcher, "rb").read(), zipfile.ZIP_DEFLATED),
        ("launcher/data/readme.txt", b"Velkarion sample data\n" * 40, zipfile.ZIP_STORED),
        ("launcher/data/levels.dat", data(7, 300000), zipfile.ZIP_BZIP2),
        ("launcher/data/textures/t\u00e9st.bin", data(11, 200000), zipfile.ZIP_LZMA),
        ("launcher/empty.txt", b"", zipfile.ZIP_DEFLATED),
        ("apps.ini", b"[apps]\r\n", zipfile.ZIP_DEFLATED),
    ]
    with zipfile.ZipFile(path, "w") as z:
        for name, body, method in entries:
            z.writestr(zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0)), body, compress_type=method)
    return [(name, len(body)) for name, body, _ in entries]


def setup(work, url, launcher, arch, prefix):
    cleanup(work)
    serve = os.path.join(work, "serve")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(serve)
    files = make_package(os.path.join(serve, "Launcher-Setup.zip"), launcher)
    with open(os.path.join(work, "expected.txt"), "w", encoding="utf-8") as f:
        for name, size in files:
            f.write("%s\t%d\n" % (name.replace("/", "\\"), size))
    shutil.rmtree(prefix, ignore_errors=True)
    subprocess.run([os.path.join(ROOT, "scripts", "wine-prefix.sh"), arch, prefix], check=True)
    small = os.path.join(work, "small")
    os.makedirs(small)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64m", "tmpfs", small],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
    if mounted:
        os.symlink(small, os.path.join(prefix, "dosdevices", "t:"))
        open(os.path.join(work, "small-drive"), "w").write("T:\n")
    else:
        print("no tmpfs drive: the low-space case is skipped")
    tiny = os.path.join(work, "tiny")
    os.makedirs(tiny)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", tiny],
                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0:
        os.symlink(tiny, os.path.join(prefix, "dosdevices", "u:"))
    else:
        print("no tiny tmpfs drive: the drive-filled case is skipped")
    return subprocess.run([sys.executable, SERVER, "start", serve, url]).returncode


def cleanup(work):
    serve = os.path.join(work, "serve")
    if os.path.isdir(serve):
        subprocess.run([sys.executable, SERVER, "stop", serve])
    for drive in ("small", "tiny"):
        folder = os.path.join(work, drive)
        if os.path.ismount(folder):
            subprocess.run(["umount", "-l", folder])
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 7 and sys.argv[1] == "setup":
        sys.exit(setup(*sys.argv[2:]))
    if len(sys.argv) == 3 and sys.argv[1] == "cleanup":
        sys.exit(cleanup(sys.argv[2]))
    print(__doc__, file=sys.stderr)
    sys.exit(2)
