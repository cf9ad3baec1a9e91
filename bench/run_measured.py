#!/usr/bin/env python3
"""Runs a command and writes its wall time in seconds and its peak resident set in KiB
(the largest of the processes it waited for) to OUT, one line; exits with its status.
Stands in for /usr/bin/time where that is not installed.

    run_measured.py OUT COMMAND...
"""
import resource
import subprocess
import sys
import time

out, command = sys.argv[1], sys.argv[2:]
start = time.monotonic()
status = subprocess.call(command)
seconds = time.monotonic() - start
peak_kib = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
with open(out, "w") as f:
    f.write("%.2f %d\n" % (seconds, peak_kib))
sys.exit(status if status >= 0 else 128 - status)
