#!/usr/bin/env python3
"""Whole-process LZMA decoding: package-check on a one-entry LZMA package against
`xz --format=lzma -dc` on the same raw stream and `7zz t` on the same ZIP.

usage: lzma_whole_process.py PACKAGE_CHECK PREFIX [rounds (default 7)]
PREFIX.zip and PREFIX.lzma as bench/lzma_real_files.py writes them (or any one-entry
LZMA ZIP and its stream as a .lzma file). The three run in turns, round after round;
the table gives each one's median wall, user and system seconds, and how much faster
package-check is than each (the other's median wall time over ours).
"""
import os
import statistics
import subprocess
import sys
import time


def run(command):
    with open(os.devnull, "wb") as null:
        start = time.monotonic()
        process = subprocess.Popen(command, stdout=null, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.monotonic() - start
        err = process.stderr.read()
        process.stderr.close()
        process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        sys.exit(f"{command[0]} failed ({process.returncode}): {err.decode(errors='replace')}")
    return wall, usage.ru_utime, usage.ru_stime, usage.ru_minflt


def main():
    checker, prefix = sys.argv[1], sys.argv[2]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    commands = {
        "package-check": [checker, prefix + ".zip"],
        "xz --format=lzma -dc": ["xz", "--format=lzma", "-dc", prefix + ".lzma"],
        "7zz t": ["7zz", "t", prefix + ".zip"],
    }
    for command in commands.values():
        run(command)  # warm the page cache
    results = {name: [] for name in commands}
    for _ in range(rounds):
        for name, command in commands.items():
            results[name].append(run(command))

    def median(name, field):
        return statistics.median(r[field] for r in results[name])

    print(f"{prefix}.zip, median of {rounds} interleaved rounds")
    print("| program | wall s | user s | sys s | minor faults | package-check faster by |")
    print("|---|---:|---:|---:|---:|---:|")
    ours = median("package-check", 0)
    for name in commands:
        wall = median(name, 0)
        print(f"| {name} | {wall:.3f} | {median(name, 1):.3f} | {median(name, 2):.3f} | "
              f"{median(name, 3):.0f} | {wall / ours:.3f}x |")


if __name__ == "__main__":
    main()
