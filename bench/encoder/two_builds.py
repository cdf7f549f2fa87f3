#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Two builds of coder.dll side by side on the same jobs: the Linux build against the Windows
build under Wine, say.

Usage: two_builds.py CODER_A CODER_B [--runs N] [--seconds S]

A CODER may be a wrapper script (the Windows build's, which runs it under Wine). Each of
bench_coder.py's sources goes into AVI, WMV and MP3 through both, their runs interleaved;
printed per case: the median wall and CPU time (user + system of the process and all its
threads) of each, and their ratios (B / A). Under Wine, B's process is the emulator running
coder.dll, and the time of the Wine server, which answers its system calls, is printed apart
(taken from /proc while B runs); B's start-up alone (no conversion: the usage message) is
measured first, so that the cost of Wine itself stands beside the conversions. Nothing is
asserted.
"""
import argparse
import os
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_coder  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def wineserver_cpu():
    """CPU seconds of every running Wine server (wineserver, wineserver64) so far."""
    total = 0.0
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        try:
            with open(f"/proc/{pid}/comm") as f:
                if not f.read().startswith("wineserver"):
                    continue
        except OSError:
            continue
        total += (int(fields[11]) + int(fields[12])) / TICK
    return total


def run(cmd, ok=(0,)):
    """Wall, CPU of the process tree, and the Wine server's CPU meanwhile."""
    server = wineserver_cpu()
    wall, cpu, _, _ = bench_coder.run(cmd, ok)
    return wall, cpu, wineserver_cpu() - server


def medians(results):
    return [statistics.median(r[i] for r in results) for i in range(3)]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("a")
    ap.add_argument("b")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--seconds", type=float, default=20)
    args = ap.parse_args()
    a, b = os.path.abspath(args.a), os.path.abspath(args.b)
    run([b], ok=(2,))  # a first start of Wine sets up its prefix
    starts = [(run([a], ok=(2,)), run([b], ok=(2,))) for _ in range(5)]
    sa, sb = medians([s[0] for s in starts]), medians([s[1] for s in starts])
    print(f"load average {os.getloadavg()[0]:.2f}; A = {a}; B = {b}")
    print(f"start-up alone: A {sa[0]:.3f} s wall, {sa[1]:.3f} s CPU; "
          f"B {sb[0]:.3f} s wall, {sb[1]:.3f} s CPU, Wine server {sb[2]:.3f} s")
    print(f"{'case':28} {'A wall':>7} {'B wall':>7} {'ratio':>6} {'A CPU':>7} {'B CPU':>7} "
          f"{'ratio':>6} {'server':>7}")
    walls, cpus = [], []
    with tempfile.TemporaryDirectory() as tmp:
        sources = bench_coder.make_sources(tmp, args.seconds)
        for name, source in sources.items():
            for fmt in ("avi", "wmv", "mp3"):
                line = ["-i", source, *bench_coder.WINDOW_LINE]
                res = ([], [])
                for _ in range(args.runs):
                    for coder, out in zip((a, b), res):
                        out.append(run([coder, *line, os.path.join(tmp, "out." + fmt)]))
                ma, mb = medians(res[0]), medians(res[1])
                walls.append(mb[0] / ma[0])
                cpus.append(mb[1] / ma[1])
                print(f"{name + ' ' + fmt:28} {ma[0]:7.2f} {mb[0]:7.2f} {walls[-1]:6.2f} "
                      f"{ma[1]:7.2f} {mb[1]:7.2f} {cpus[-1]:6.2f} {mb[2]:7.2f}")
    print(f"geometric means of B / A: wall {statistics.geometric_mean(walls):.2f}, "
          f"CPU {statistics.geometric_mean(cpus):.2f}")


if __name__ == "__main__":
    main()
