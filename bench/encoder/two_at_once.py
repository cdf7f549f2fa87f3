#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What running on both cores at once costs this machine, whatever the program.

The same one-threaded job (the ffmpeg command encoding pink noise to MP3 with LAME, one
thread) runs alone, twice in a row, and then twice at once, round after round. It prints the
CPU seconds of one job alone and of one job beside another (medians and range), and their
ratio: the CPU-time price that any work spread over two cores pays here, and so the least a
program that uses both cores pays against one that uses one. The range shows how far single
runs of the same work stray.

Usage: two_at_once.py [--rounds N] [--seconds S]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile


def cpu_seconds(commands):
    """Runs the commands at once; the CPU seconds (user + system) of each."""
    procs = [subprocess.Popen(c, stdin=subprocess.DEVNULL) for c in commands]
    spent = []
    for p in procs:
        _, status, usage = os.wait4(p.pid, 0)
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit(f"failed: {' '.join(p.args)}")
        spent.append(usage.ru_utime + usage.ru_stime)
    return spent


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--seconds", type=int, default=120, help="length of the noise")
    args = parser.parse_args()
    if not shutil.which("ffmpeg"):
        sys.exit("the ffmpeg command is needed")
    folder = tempfile.mkdtemp(prefix="two-at-once-")
    try:
        noise = os.path.join(folder, "noise.wav")
        subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                        f"anoisesrc=d={args.seconds}:c=pink:r=44100", "-ac", "2", noise],
                       check=True)
        job = ["ffmpeg", "-v", "error", "-nostdin", "-y", "-threads", "1", "-i", noise,
               "-c:a", "libmp3lame", "-b:a", "128k"]
        out = [os.path.join(folder, f"out{i}.mp3") for i in range(2)]
        alone, beside = [], []
        for _ in range(args.rounds):
            alone += cpu_seconds([job + [out[0]]]) + cpu_seconds([job + [out[1]]])
            beside += cpu_seconds([job + [out[0]], job + [out[1]]])
        print(f"{os.cpu_count()} cores, load average {os.getloadavg()[0]:.2f}, "
              f"{args.rounds} rounds of one LAME job on {args.seconds} s of noise")
        for name, runs in (("alone", alone), ("beside another", beside)):
            print(f"CPU s per job, {name:15}: median {statistics.median(runs):.3f}  "
                  f"(range {min(runs):.3f}-{max(runs):.3f})")
        print(f"ratio, beside / alone: {statistics.median(beside) / statistics.median(alone):.3f}")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
