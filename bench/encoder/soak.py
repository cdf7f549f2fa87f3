#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Soak: thousands of conversions on a busy machine, none of which may stall.

Converts the fuzz seeds and mutations of them, the hostile sources, the live-recording sources
and the end-to-end tests' sources into AVI, WMV and MP3, with the window's quality switches on
and off, over and over while a second load keeps the machine busy: two compilers at work and a
writer filling the page cache. Every fourth of those conversions is of a 20 s source and
writes to a slow disk (each write of the target waits 5 ms), so that the muxer falls behind
the encoders again and again. Every conversion is watched: one still running after --stall
seconds has the stack of each of its threads taken with gdb before it is killed. First each
source is converted once on the quiet machine, so that a conversion whose outcome differs
under load (a slow machine turned into a failure) is reported too.

Usage: soak.py CODER [--count N] [--jobs J] [--stall S] [--no-load] [--seed S]
Prints the counts and each stall's stacks; exits 1 when anything stalled or changed outcome.
"""
import argparse
import concurrent.futures
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "encoder"))
sys.dont_write_bytecode = True
import flvcraft  # noqa: E402
import fuzz_coder  # noqa: E402
import live_sources  # noqa: E402
import test_coder as tc  # noqa: E402
import test_hostile  # noqa: E402

FORMATS = ("avi", "wmv", "mp3")
# The window's line with its quality switches on, and off (the encoders then outrun the muxer).
LINES = {"hq": tc.WINDOW_LINE,
         "quick": [x for x in tc.WINDOW_LINE if x not in ("-hq", "-deinterlace")]}
MUTATIONS = 150
# Preloaded into coder.dll: every write of the target waits 5 ms.
SLOW_DISK = r"""
#define _GNU_SOURCE
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>
ssize_t pwrite(int fd, const void* b, size_t n, off_t at) {
    static ssize_t (*real)(int, const void*, size_t, off_t);
    if (!real) real = (ssize_t (*)(int, const void*, size_t, off_t))dlsym(RTLD_NEXT, "pwrite");
    struct timespec t = {0, 5000000};
    nanosleep(&t, 0);
    return real(fd, b, n, at);
}
ssize_t pwrite64(int fd, const void* b, size_t n, off_t at) { return pwrite(fd, b, n, at); }
"""
SANITIZER_MARKS = (b"WARNING: ThreadSanitizer", b"ERROR: AddressSanitizer",
                   b"runtime error:")


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    return path


def make_sources(folder, seed):
    """Every source of the soak: (label, path)."""
    out = []
    seeds = fuzz_coder.make_seeds(folder)
    out += [("seed " + n, os.path.join(folder, n + ".flv")) for n in seeds]
    rnd = random.Random(seed)
    for i in range(MUTATIONS):
        name, steps, data = fuzz_coder.mutate(rnd, seeds)
        out.append((f"mutation {i} of {name}", write(os.path.join(folder, f"m{i}.flv"), data)))
    findings = os.path.join(HERE, "..", "..", "tests", "encoder", "fuzz-findings")
    for past in fuzz_coder.regressions(findings):
        out.append(("finding " + past["file"],
                    write(os.path.join(folder, "f_" + past["file"]), past["data"])))
    # Hostile: damaged copies of a small source, and the timestamp jumps on 6 s sources.
    base = tc.make_source(os.path.join(folder, "base.flv"), 1,
                          ("testsrc=size=160x120:rate=10", ["-c:v", "flv"]),
                          (test_hostile.SMALL_AUDIO[0],
                           ["-c:a", "libmp3lame", "-ar", "11025", "-ac", "1"]))
    for label, data in test_hostile.hostile_sources(tc.read(base)):
        out.append(("hostile " + label, write(os.path.join(folder, f"h_{label}.flv"), data)))
    for name, (video, audio) in test_hostile.Timestamps.SOURCES.items():
        src = tc.make_source(os.path.join(folder, f"t_{name}.flv"), 6, video, audio)
        for jump, fn in test_hostile.JUMPS.items():
            out.append((f"jump {jump} in {name}", test_hostile.craft(src, jump, fn)))
    # Live recordings.
    live = os.path.join(folder, "live")
    os.makedirs(live)
    out += [("live audio change " + a, live_sources.audio_change(live, a)[0])
            for a in ("aac", "libmp3lame")]
    out += [("live " + fn.__name__, fn(live)) for fn in
            (live_sources.reconnect, live_sources.leap, live_sources.streamed)]
    hevc = live_sources.enhanced_hevc(live) or os.path.join(
        HERE, "..", "..", "tests", "encoder", "sources", "enhanced_hevc.flv")
    out.append(("live enhanced hevc", hevc))
    # The end-to-end tests' codec pairs.
    for name, (v, a) in tc.Formats.SOURCES.items():
        out.append(("format " + name,
                    tc.make_source(os.path.join(folder, f"s_{name}.flv"), 3, (tc.TESTSRC, v),
                                   (tc.SINE, a))))
    return out


def make_long_sources(folder):
    """20 s sources, whose conversions keep the muxer's queue full for a while."""
    return [("long " + name, tc.make_source(os.path.join(folder, f"long_{name}.flv"), 20,
                                             (tc.TESTSRC, v), (tc.SINE, a)))
            for name, (v, a) in tc.Formats.SOURCES.items() if name in ("flv1_mp3", "h264_aac")]


class Load:
    """Two compilers and a page-cache filler, each in a loop, until stopped."""

    PROGRAM = "#include <regex>\n#include <map>\n#include <iostream>\n#include <future>\n" \
              "int main(){std::map<std::string,std::regex> m;m[\"a\"]=std::regex(\"a+b\");" \
              "auto f=std::async([]{return 1;});std::cout<<f.get()<<m.size();}\n"

    def __init__(self, folder):
        self.folder = folder
        self.stop = threading.Event()
        self.procs = []
        self.threads = []

    def _loop(self, argv):
        while not self.stop.is_set():
            proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.procs.append(proc)
            proc.wait()
            self.procs.remove(proc)

    def start(self):
        src = write(os.path.join(self.folder, "load.cpp"), self.PROGRAM.encode())
        fill = os.path.join(self.folder, "fill")
        for i in range(2):
            argv = ["c++", "-O2", "-std=c++17", src, "-o", os.path.join(self.folder, f"l{i}")]
            self.threads.append(threading.Thread(target=self._loop, args=(argv,), daemon=True))
        # 1 GiB at a time, never synced: dirty pages for the kernel to write back.
        self.threads.append(threading.Thread(target=self._loop, daemon=True, args=(
            ["dd", "if=/dev/zero", "of=" + fill, "bs=1M", "count=1024"],)))
        for t in self.threads:
            t.start()

    def end(self):
        self.stop.set()
        for proc in list(self.procs):
            proc.kill()
        for t in self.threads:
            t.join()


def stacks(pid):
    try:
        return subprocess.run(["gdb", "-p", str(pid), "-batch", "-ex", "thread apply all bt"],
                              capture_output=True, text=True, timeout=120).stdout
    except subprocess.TimeoutExpired:
        return "(gdb did not answer within 120 s)"


def slow_disk(folder):
    """The environment of a conversion on a slow disk."""
    src = write(os.path.join(folder, "slow_disk.c"), SLOW_DISK.encode())
    shim = os.path.join(folder, "slow_disk.so")
    subprocess.run(["cc", "-shared", "-fPIC", "-O2", "-o", shim, src, "-ldl"], check=True)
    asan = os.environ.get("ASAN_OPTIONS", "")
    return dict(os.environ, LD_PRELOAD=shim,
                ASAN_OPTIONS=(asan + ":" if asan else "") + "verify_asan_link_order=0")


def convert(coder, src, target, line, stall, env=None):
    """(outcome, stall stacks or None, sanitizer report or None, seconds). The outcome is
    'converted' or 'failed'."""
    start = time.monotonic()
    with tempfile.TemporaryFile() as log:
        proc = subprocess.Popen([coder, "-i", src, *line, target],
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=log, env=env)
        stalled = None
        try:
            proc.wait(timeout=stall)
        except subprocess.TimeoutExpired:
            stalled = stacks(proc.pid)
            proc.kill()
            proc.wait()
        log.seek(0)
        text = log.read()
    if os.path.exists(target):
        os.unlink(target)
    lines = fuzz_coder.lines(text)
    outcome = "converted" if proc.returncode == 0 and lines and lines[-1].startswith("video") \
        else "failed"
    report = next((text[text.index(m):][:4000].decode("utf-8", "replace")
                   for m in SANITIZER_MARKS if m in text), None)
    return outcome, stalled, report, time.monotonic() - start


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("coder")
    ap.add_argument("--count", type=int, default=2000, help="conversions under load")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--stall", type=float, default=30)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--no-load", action="store_true")
    args = ap.parse_args()
    if not shutil.which("gdb"):
        sys.exit("gdb is needed to take the stacks of a stalled conversion "
                 "(apt-get install gdb)")
    coder = os.path.abspath(args.coder)
    work = tempfile.mkdtemp(prefix="coder-soak-")
    try:
        sources = make_sources(work, args.seed)
        jobs = [(label, src, ext, line) for label, src in sources for ext in FORMATS
                for line in LINES]
        long_jobs = [(label, src, ext, line) for label, src in make_long_sources(work)
                     for ext in FORMATS for line in LINES]
        print(f"{len(sources)} sources, {len(jobs)} conversions a round", flush=True)

        slow = slow_disk(work)

        def run(i, job, busy):
            label, src, ext, line = job
            return convert(coder, src, os.path.join(work, f"out{i}.{ext}"), LINES[line],
                           args.stall, slow if busy and i % 4 == 3 else None)

        def run_all(todo, busy):
            with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
                return list(pool.map(lambda ij: run(*ij, busy), enumerate(todo)))

        start = time.monotonic()
        jobs += long_jobs
        quiet = run_all(jobs, False)
        quiet_s = time.monotonic() - start
        print(f"quiet round: {len(jobs)} conversions in {quiet_s:.0f} s", flush=True)
        load = Load(work)
        if not args.no_load:
            load.start()
            time.sleep(3)
        todo = [jobs[i % len(jobs)] for i in range(args.count)]
        random.Random(args.seed).shuffle(todo)
        todo = [long_jobs[i // 4 % len(long_jobs)] if i % 4 == 3 else job
                for i, job in enumerate(todo)]
        start = time.monotonic()
        load_start = os.getloadavg()
        try:
            loaded = run_all(todo, True)
        finally:
            load.end()
        loaded_s = time.monotonic() - start
        quiet_of = {job: r for job, r in zip(jobs, quiet)}
        stalls, changed, reports = [], [], []
        for job, r in list(zip(jobs, quiet)) + list(zip(todo, loaded)):
            outcome, stalled, report, _ = r
            if stalled is not None:
                stalls.append((job, stalled))
            if report:
                reports.append((job, report))
            if outcome != quiet_of[job][0]:
                changed.append((job, quiet_of[job][0], outcome))
        slowest = max(r[3] for r in loaded)
        mean_q = sum(r[3] for r in quiet) / len(quiet)
        mean_l = sum(r[3] for r in loaded) / len(loaded)
        print(f"under load: {len(todo)} conversions in {loaded_s:.0f} s "
              f"(load average {load_start[0]:.1f} at the start, "
              f"{os.getloadavg()[0]:.1f} at the end); mean {mean_l:.2f} s against "
              f"{mean_q:.2f} s quiet ({mean_l / mean_q:.1f}x), slowest {slowest:.1f} s")
        for (label, src, ext, line), text in stalls:
            print(f"\nSTALL: {label} -> {ext}, {line} line ({src})\n{text}")
        for (label, _, ext, line), report in reports:
            print(f"\nSANITIZER: {label} -> {ext}, {line} line\n{report}")
        for (label, _, ext, line), before, after in changed:
            print(f"CHANGED UNDER LOAD: {label} -> {ext}, {line} line: {before} quiet, "
                  f"{after} busy")
        total = len(jobs) + len(todo)
        print(f"\nsoak: {total} conversions, {len(stalls)} stalls, {len(changed)} outcomes "
              f"changed under load, {len(reports)} sanitizer reports")
        return 1 if stalls or changed or reports else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
