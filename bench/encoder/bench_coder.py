#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Speed, cost, quality and memory of coder.dll beside the ffmpeg command on the same job.

Usage: bench_coder.py CODER [--runs N] [--seconds S] [--no-ssim]

For each source and each output format both programs convert the same file, N times each,
their runs interleaved so that a change in the machine's load touches both alike. Printed per
case: the median wall time and the median CPU time (user + system of the whole process, all
threads) of each and their ratios (ours / ffmpeg); the SSIM of each output's pictures against
the source decoded and scaled to the same size and rate; the output size against the asked
bit rates times the duration, and the quantiser our encoder sat at; the peak resident memory of
each. Wall ratios mean something
only on an idle machine, so the load average is printed beside them; CPU ratios and SSIM do
not depend on the load. Nothing is asserted: the closing lines say which goals hold.
"""
import argparse
import math
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT, RATE = 320, 240, "2997/100"
VIDEO_KBPS, AUDIO_KBPS = 360, 56
WINDOW_LINE = ["-b", str(VIDEO_KBPS), "-r", "29.97", "-s", f"{WIDTH}x{HEIGHT}", "-hq",
               "-deinterlace", "-y", "-ab", str(AUDIO_KBPS), "-ar", "22050", "-ac", "2"]
# The same job in the options of today's ffmpeg command. Our -deinterlace touches only the
# frames marked interlaced, hence yadif's deint=interlaced.
FFMPEG_VIDEO = ["-b:v", f"{VIDEO_KBPS}k", "-r", "29.97", "-s", f"{WIDTH}x{HEIGHT}", "-mbd", "bits",
                "-vf", "yadif=deint=interlaced"]
FFMPEG_AUDIO = ["-b:a", f"{AUDIO_KBPS}k", "-ar", "22050", "-ac", "2"]
FFMPEG_FORMATS = {
    "avi": ["-c:v", "mpeg4", *FFMPEG_VIDEO, "-c:a", "libmp3lame", *FFMPEG_AUDIO],
    "wmv": ["-c:v", "wmv2", *FFMPEG_VIDEO, "-c:a", "wmav2", *FFMPEG_AUDIO],
    "mp3": ["-vn", "-c:a", "libmp3lame", *FFMPEG_AUDIO],
}
# Goals per case, and for the geometric mean of the wall ratios. The size goal is one-sided: at
# most GOAL_SIZE over the asked rates. A file under them misses only when the video encoder
# could still have spent more, that is when it did not sit at its finest quantiser.
GOAL_WALL, GOAL_GEO, GOAL_CPU, GOAL_SSIM_DROP, GOAL_SIZE = 0.70, 0.62, 1.0, 0.002, 0.05
FINEST_Q = 2.0  # the default qmin of the MPEG-4 and WMV encoders
PROGRESS_Q = re.compile(rb"frame= *\d+ q=(-?[0-9.]+) ")
# A muxer may delay the video by a tick or two to match the audio encoder's start; the SSIM
# is taken at the best of these shifts (in output frames) and the shift is printed.
SHIFTS = range(-2, 5)


def run(cmd, ok=(0,)):
    """Wall seconds, CPU seconds (user + system), peak resident MB and the error output of one
    run of cmd, which must end with a status in ok."""
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    err = proc.stderr.read()
    proc.stderr.close()
    if os.waitstatus_to_exitcode(status) not in ok:
        sys.exit(f"failed: {' '.join(cmd)}\n{err.decode(errors='replace')[-500:]}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0, err


def interleaved(runs, first, second):
    """Medians of wall and CPU, the peak memory and the last error output of each command over
    interleaved runs."""
    results = ([], [])
    for _ in range(runs):
        for cmd, out in zip((first, second), results):
            out.append(run(cmd))
    return [(statistics.median(r[0] for r in res), statistics.median(r[1] for r in res),
             max(r[2] for r in res), res[-1][3]) for res in results]


def median_q(log):
    """The median quantiser of our progress lines, or None for a target without video."""
    qs = [float(q) for q in PROGRESS_Q.findall(log)]
    return statistics.median(qs) if qs else None


def ssim(output, source):
    """(SSIM, shift) of output's pictures against the source decoded, scaled and resampled in
    time to the output's size and rate; both are made constant-rate the way a player shows
    them (a gap repeats the previous picture)."""
    n = len(SHIFTS)
    graph = [f"[0:v]fps={RATE}:start_time=0,split={n}" + "".join(f"[m{i}]" for i in range(n)),
             f"[1:v]scale={WIDTH}:{HEIGHT}:flags=bicubic,fps={RATE}:start_time=0,split={n}" +
             "".join(f"[r{i}]" for i in range(n))]
    for i, shift in enumerate(SHIFTS):
        late, early = (f"r{i}", f"m{i}") if shift >= 0 else (f"m{i}", f"r{i}")
        graph.append(f"[{late}]setpts=PTS+{abs(shift)}[{late}s];[{early}]null[{early}s]")
        graph.append(f"[m{i}s][r{i}s]ssim" + (f",nullsink" if i < n - 1 else ""))
    proc = subprocess.run(["ffmpeg", "-nostdin", "-v", "info", "-i", output, "-i", source,
                           "-lavfi", ";".join(graph), "-f", "null", "-"],
                          capture_output=True, text=True)
    found = re.findall(r"Parsed_ssim_(\d+).*All:([0-9.]+)", proc.stderr)
    if proc.returncode != 0 or len(found) != n:
        sys.exit(f"SSIM of {output} failed:\n{proc.stderr[-800:]}")
    # Filters are numbered in the order of the graph; the ssim instances come in shift order.
    order = sorted(found, key=lambda f: int(f[0]))
    values = [float(v) for _, v in order]
    best = max(range(n), key=lambda i: values[i])
    return values[best], SHIFTS[best]


def make_sources(folder, seconds):
    # First a picture with something to spend bits on: a zoom that never stops, under film
    # grain that changes every frame. The test cards after it hold still but for a counter, so
    # their encoders reach the finest quantiser below the asked rate.
    sources = {
        "motion+grain 480p": ("mandelbrot=size=640x480:rate=25,noise=alls=14:allf=t+u",
                              ["-c:v", "flv", "-b:v", "1500k"],
                              ["-c:a", "libmp3lame", "-ar", "44100", "-ac", "2"]),
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


def baseline_memory(coder):
    proc = subprocess.Popen([coder], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    _, _, usage = os.wait4(proc.pid, 0)
    return usage.ru_maxrss / 1024.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("coder")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seconds", type=int, default=40)
    parser.add_argument("--no-ssim", action="store_true", help="skip the quality column")
    args = parser.parse_args()
    if not shutil.which("ffmpeg"):
        sys.exit("the ffmpeg command is needed")
    folder = tempfile.mkdtemp(prefix="coder-bench-")
    try:
        sources = make_sources(folder, args.seconds)
        load_before = os.getloadavg()
        print(f"{args.seconds} s sources, medians of {args.runs} interleaved runs, "
              f"{os.cpu_count()} cores, load average {load_before[0]:.2f} at the start\n")
        head = (f"{'source':18} {'fmt':3} {'wall s':>11} {'wall':>5} {'cpu s':>11} {'cpu':>5} "
                f"{'ssim ours/ffmpeg (shift)':>28} {'size/asked':>10} {'q':>4} {'peak MB':>11}")
        print(head)
        print(" " * 23 + "ours ffmpeg ratio  ours ffmpeg ratio" + " " * 50 + "ours ffmpeg")
        print("-" * len(head))
        wall_ratios, misses = [], []
        for name, src in sources.items():
            for fmt, ff_opts in FFMPEG_FORMATS.items():
                ours_out = os.path.join(folder, f"ours.{fmt}")
                ff_out = os.path.join(folder, f"ffmpeg.{fmt}")
                (ow, oc, om, olog), (fw, fc, fm, _) = interleaved(
                    args.runs, [args.coder, "-i", src, *WINDOW_LINE, ours_out],
                    ["ffmpeg", "-v", "error", "-nostdin", "-y", "-i", src, *ff_opts, ff_out])
                kbps = AUDIO_KBPS + (VIDEO_KBPS if fmt != "mp3" else 0)
                size = os.path.getsize(ours_out) / (kbps * 1000 / 8 * args.seconds)
                quality = "-"
                if fmt != "mp3" and not args.no_ssim:
                    (os_, osh), (fs, fsh) = ssim(ours_out, src), ssim(ff_out, src)
                    quality = f"{os_:.4f} ({osh:+d}) / {fs:.4f} ({fsh:+d})"
                    if os_ < fs - GOAL_SSIM_DROP:
                        misses.append(f"{name} {fmt}: SSIM {os_:.4f} against {fs:.4f}")
                q = median_q(olog)
                wall_ratios.append(ow / fw)
                for what, bad in (("wall ratio", ow / fw > GOAL_WALL),
                                  ("CPU ratio", oc / fc > GOAL_CPU),
                                  ("size over the asked rates", size > 1 + GOAL_SIZE),
                                  ("size under the asked rates", size < 1 - GOAL_SIZE and
                                   (q is None or q > FINEST_Q)),
                                  ("memory", om > fm)):
                    if bad:
                        misses.append(f"{name} {fmt}: {what}")
                print(f"{name:18} {fmt:3} {ow:5.2f} {fw:5.2f} {ow / fw:5.2f} {oc:5.2f} {fc:5.2f} "
                      f"{oc / fc:5.2f} {quality:>28} {size:10.3f} "
                      f"{'-' if q is None else f'{q:4.1f}':>4} {om:5.1f} {fm:5.1f}",
                      flush=True)
        geo = math.exp(sum(math.log(r) for r in wall_ratios) / len(wall_ratios))
        if geo > GOAL_GEO:
            misses.append("geometric mean of the wall ratios")
        print(f"\ngeometric mean of the wall ratios: {geo:.2f}; load average now "
              f"{os.getloadavg()[0]:.2f}")
        print(f"coder.dll resident memory with no work (libraries loaded): "
              f"{baseline_memory(args.coder):.1f} MB")
        print(f"goals: wall <= {GOAL_WALL}, mean <= {GOAL_GEO}, CPU <= {GOAL_CPU}, SSIM drop <= "
              f"{GOAL_SSIM_DROP}, size at most {GOAL_SIZE:.0%} over the asked rates (and not under "
              f"them unless the video sat at q {FINEST_Q}), memory <= ffmpeg's")
        print("all goals hold" if not misses else "missed: " + "; ".join(misses))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
