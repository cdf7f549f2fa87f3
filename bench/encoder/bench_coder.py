#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Speed and memory of coder.dll beside the ffmpeg command on the same job.

Usage: bench_coder.py CODER [--runs N] [--seconds S]

For each source and each output format, both programs convert the same file; the best wall
time of N runs is kept for each. Printed: wall times, their ratio (ours / ffmpeg), output
sizes and their ratio, and the peak resident memory of each (getrusage of the child).
Nothing is asserted.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

WINDOW_LINE = ["-b", "360", "-r", "29.97", "-s", "320x240", "-hq", "-deinterlace", "-y",
               "-ab", "56", "-ar", "22050", "-ac", "2"]
# The same job in the options of today's ffmpeg command. Our -deinterlace touches only the
# frames marked interlaced, hence yadif's deint=interlaced.
FFMPEG_VIDEO = ["-b:v", "360k", "-r", "29.97", "-s", "320x240", "-mbd", "bits",
                "-vf", "yadif=deint=interlaced"]
FFMPEG_AUDIO = ["-b:a", "56k", "-ar", "22050", "-ac", "2"]
FFMPEG_FORMATS = {
    "avi": ["-c:v", "mpeg4", *FFMPEG_VIDEO, "-c:a", "libmp3lame", *FFMPEG_AUDIO],
    "wmv": ["-c:v", "wmv2", *FFMPEG_VIDEO, "-c:a", "wmav2", *FFMPEG_AUDIO],
    "mp3": ["-vn", "-c:a", "libmp3lame", *FFMPEG_AUDIO],
}


def timed(cmd):
    """Wall seconds and peak resident memory (MB) of one run of cmd."""
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    err = proc.stderr.read()
    proc.stderr.close()
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit(f"failed: {' '.join(cmd)}\n{err.decode(errors='replace')[-500:]}")
    return wall, usage.ru_maxrss / 1024.0


def best_of(runs, cmd):
    results = [timed(cmd) for _ in range(runs)]
    return min(w for w, _ in results), max(m for _, m in results)


def make_sources(folder, seconds):
    sources = {
        "flv1+mp3 320x240": ("testsrc=size=320x240:rate=25", ["-c:v", "flv", "-b:v", "500k"],
                             ["-c:a", "libmp3lame", "-ar", "22050", "-ac", "1"]),
        "h264+aac 640x480": ("testsrc=size=640x480:rate=30",
                             ["-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p"],
                             ["-c:a", "aac", "-ar", "44100", "-ac", "2"]),
    }
    paths = {}
    for i, (name, (video, vargs, aargs)) in enumerate(sources.items()):
        path = os.path.join(folder, f"source{i}.flv")
        subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i", video,
                        "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100",
                        "-t", str(seconds), *vargs, *aargs, path], check=True)
        paths[name] = path
    return paths


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("coder")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--seconds", type=int, default=30)
    args = parser.parse_args()
    if not shutil.which("ffmpeg"):
        sys.exit("the ffmpeg command is needed")
    folder = tempfile.mkdtemp(prefix="coder-bench-")
    try:
        sources = make_sources(folder, args.seconds)
        print(f"{args.seconds} s sources, best wall time of {args.runs} runs, "
              f"{os.cpu_count()} cores\n")
        head = (f"{'source':18} {'fmt':4} {'ours s':>7} {'ffmpeg s':>8} {'time ratio':>10} "
                f"{'ours kB':>8} {'ffmpeg kB':>9} {'size ratio':>10} {'ours MB':>8} "
                f"{'ffmpeg MB':>9}")
        print(head)
        print("-" * len(head))
        ratios = []
        for name, src in sources.items():
            for fmt, ff_opts in FFMPEG_FORMATS.items():
                ours_out = os.path.join(folder, f"ours.{fmt}")
                ff_out = os.path.join(folder, f"ffmpeg.{fmt}")
                ours_t, ours_m = best_of(args.runs,
                                         [args.coder, "-i", src, *WINDOW_LINE, ours_out])
                ff_t, ff_m = best_of(args.runs, ["ffmpeg", "-v", "error", "-nostdin", "-y",
                                                 "-i", src, *ff_opts, ff_out])
                ours_kb = os.path.getsize(ours_out) / 1024
                ff_kb = os.path.getsize(ff_out) / 1024
                ratios.append(ours_t / ff_t)
                print(f"{name:18} {fmt:4} {ours_t:7.2f} {ff_t:8.2f} {ours_t / ff_t:10.2f} "
                      f"{ours_kb:8.0f} {ff_kb:9.0f} {ours_kb / ff_kb:10.2f} {ours_m:8.1f} "
                      f"{ff_m:9.1f}")
        geo = 1.0
        for r in ratios:
            geo *= r
        print(f"\ngeometric mean of the time ratios: {geo ** (1 / len(ratios)):.2f}")
        base = timed_baseline(args.coder)
        print(f"coder.dll resident memory with no work (libraries loaded): {base:.1f} MB")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def timed_baseline(coder):
    proc = subprocess.Popen([coder], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    _, _, usage = os.wait4(proc.pid, 0)
    return usage.ru_maxrss / 1024.0


if __name__ == "__main__":
    main()
