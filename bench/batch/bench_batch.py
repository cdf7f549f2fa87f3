#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A folder tree of short sources through vidmorf-batch, one job against two, and against a
shell loop that runs coder.dll on the same lines one file after the other.

Prints, per way and as medians over the rounds: wall time, CPU time (user + system of every
process it started) and files per minute, and the ratios against the shell loop.

Usage: bench_batch.py PROGRAM [--files 40] [--seconds 5] [--rounds 3]
"""
import argparse
import os
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

WINDOW_LINE = "-b 360 -r 29.97 -s 320x240 -hq -deinterlace -y -ab 56 -ar 22050 -ac 2"


def make_tree(root, count, seconds):
    sources = []
    for i in range(count):
        folder = os.path.join(root, f"folder{i % 4}")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, f"clip{i:02}.flv")
        subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                        f"testsrc=size=320x240:rate=25:duration={seconds}", "-f", "lavfi",
                        "-i", f"sine=frequency={200 + 10 * i}:duration={seconds}",
                        "-c:v", "flv", "-b:v", "400k", "-c:a", "libmp3lame", "-ar", "22050",
                        "-shortest", path], check=True)
        sources.append(path)
    return sources


def timed(command, **kwargs):
    """Wall and CPU seconds of a command and everything it started."""
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                               **kwargs)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {command}")
    return wall, usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--files", type=int, default=40)
    parser.add_argument("--seconds", type=int, default=5)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    coder = os.path.join(os.path.dirname(program), "coder.dll")
    root = tempfile.mkdtemp(prefix="bench-batch-")
    try:
        tree = os.path.join(root, "tree")
        sources = make_tree(tree, args.files, args.seconds)
        out = os.path.join(root, "out")
        loop = os.path.join(root, "loop.sh")
        with open(loop, "w") as f:
            for s in sources:
                target = os.path.join(out, os.path.relpath(s, tree))[:-4] + ".avi"
                f.write(f"mkdir -p {shlex.quote(os.path.dirname(target))}\n")
                f.write(f"{shlex.quote(coder)} -i {shlex.quote(s)} {WINDOW_LINE} "
                        f"{shlex.quote(target)} 2>/dev/null\n")
        ways = {
            "vidmorf-batch --jobs 1": [program, "--jobs", "1", "--recursive", "--output", out,
                                       tree],
            "vidmorf-batch --jobs 2": [program, "--jobs", "2", "--recursive", "--output", out,
                                       tree],
            "shell loop over coder.dll": ["sh", loop],
        }
        results = {name: [] for name in ways}
        for _ in range(args.rounds):
            for name, command in ways.items():
                shutil.rmtree(out, ignore_errors=True)
                results[name].append(timed(command))
        print(f"{os.cpu_count()} cores, load average {os.getloadavg()[0]:.2f}; {args.files} "
              f"sources of {args.seconds} s (320x240, 25 fps), AVI at the window's defaults; "
              f"medians of {args.rounds} rounds")
        base = statistics.median(w for w, _ in results["shell loop over coder.dll"])
        for name, runs in results.items():
            wall = statistics.median(w for w, _ in runs)
            cpu = statistics.median(c for _, c in runs)
            print(f"{name:27} wall {wall:7.2f} s  cpu {cpu:7.2f} s  "
                  f"{args.files * 60 / wall:6.1f} files/min  wall / shell loop {wall / base:.3f}")
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
