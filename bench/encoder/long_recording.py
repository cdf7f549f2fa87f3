#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Long live recordings: time and memory against the length of the source.

Makes H.264 + AAC recordings of 15 minutes, 1 hour and 2 hours written as a stream (metadata
duration 0, no keyframe index; a small picture, so that making them is quick), converts each
with the window's line into MP3 and AVI, and prints wall and CPU time, peak memory, and each
one's seconds per hour of source against the shortest's: time should grow in step with the
length (ratio near 1) and memory not at all.

Usage: long_recording.py CODER [--lengths 900,3600,7200] [--formats mp3,avi]
"""
import argparse
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "encoder"))
sys.dont_write_bytecode = True
import live_sources  # noqa: E402
import test_coder as tc  # noqa: E402


def run(coder, src, target):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    proc = subprocess.run([coder, "-i", src, *tc.WINDOW_LINE, target], capture_output=True)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if proc.returncode != 0:
        sys.exit(f"{src} -> {target} failed: {tc.log_lines(proc.stderr)[-1:]}")
    cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
    # ru_maxrss of the children is the largest of them so far; each run is measured in a
    # process of its own below, so it is this run's.
    return wall, cpu, after.ru_maxrss / 1024


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("coder")
    ap.add_argument("--lengths", default="900,3600,7200", help="seconds, comma-separated")
    ap.add_argument("--formats", default="mp3,avi")
    ap.add_argument("--one", nargs=2, help=argparse.SUPPRESS)  # SOURCE TARGET: one run
    args = ap.parse_args()
    coder = os.path.abspath(args.coder)
    if args.one:
        print(*run(coder, *args.one))
        return 0
    work = tempfile.mkdtemp(prefix="coder-long-")
    try:
        lengths = [int(x) for x in args.lengths.split(",")]
        print(f"{'source':>8} {'format':>6} {'wall s':>8} {'CPU s':>8} {'peak MB':>8} "
              f"{'wall/h':>8} {'ratio':>6}")
        first = {}
        for seconds in lengths:
            src = live_sources.long_recording(work, seconds, f"rec{seconds}")
            for ext in args.formats.split(","):
                out = os.path.join(work, f"rec{seconds}.{ext}")
                # A process of its own per run, so that the peak is this run's alone.
                line = subprocess.run([sys.executable, __file__, coder, "--one", src, out],
                                      capture_output=True, text=True, check=True).stdout
                wall, cpu, peak = (float(x) for x in line.split())
                per_hour = wall / seconds * 3600
                first.setdefault(ext, per_hour)
                print(f"{seconds / 60:>6.0f} m {ext:>6} {wall:>8.1f} {cpu:>8.1f} {peak:>8.1f} "
                      f"{per_hour:>8.1f} {per_hour / first[ext]:>6.2f}", flush=True)
                os.unlink(out)
            os.unlink(src)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
