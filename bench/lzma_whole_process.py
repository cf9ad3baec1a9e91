#!/usr/bin/env python3
"""Whole-process LZMA decoding: package-check on a one-entry LZMA package against
`xz --format=lzma -dc` on the same raw stream and `7zz t` on the same ZIP.

usage: lzma_whole_process.py PACKAGE_CHECK PREFIX [rounds (default 7)]
PREFIX.zip and PREFIX.lzma as bench/lzma_real_files.py writes them (or any one-entry
LZMA ZIP and its stream as a .lzma file). The three run in turns, round after round;
the table gives each one's median wall, user, system and processor (user + system)
seconds, and how much faster package-check is than each: the other's median over ours,
by wall time and by processor time (on a busy shared machine wall time mostly measures
the other processes' turns).
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
    return wall, usage.ru_utime, usage.ru_stime, usage.ru_minflt, usage.ru_utime + usage.ru_stime


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
    print("| program | wall s | user s | sys s | cpu s | minor faults | ours faster (wall) | ours faster (cpu) |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|")
    ours_wall = median("package-check", 0)
    ours_cpu = median("package-check", 4)
    for name in commands:
        wall, cpu = median(name, 0), median(name, 4)
        print(f"| {name} | {wall:.3f} | {median(name, 1):.3f} | {median(name, 2):.3f} | {cpu:.3f} | "
              f"{median(name, 3):.0f} | {wall / ours_wall:.3f}x | {cpu / ours_cpu:.3f}x |")


if __name__ == "__main__":
    main()
