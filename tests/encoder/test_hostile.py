#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""coder.dll against hostile sources, awkward names and races for its target.

Usage: test_hostile.py CODER [TestClass ...]. Sources are made with the ffmpeg command and
then rewritten tag by tag (flvcraft); outputs are checked with ffprobe.
"""
import fcntl
import os
import random
import resource
import shutil
import signal
import struct
import subprocess
import sys
import time
import unittest

sys.dont_write_bytecode = True  # keep the source folder clean of caches

import flvcraft
import limits
from fuzz_coder import probe_kinds
import test_coder as tc
from test_coder import WINDOW_LINE, log_lines, make_source, probe, run_coder, stream_of

SMALL_VIDEO = ("testsrc=size=160x120:rate=25", ["-c:v", "flv"])
SMALL_AUDIO = ("sine=frequency=440:sample_rate=22050",
               ["-c:a", "libmp3lame", "-ar", "22050", "-ac", "1"])


def lines_beginning_video(data):
    return [line for line in log_lines(data) if line.startswith("video")]


class Running:
    """A coder.dll process whose error output goes to a file, stopped and resumed by signals."""

    def __init__(self, *args, env=None):
        self.log = open(_log_path(), "w+b")
        self.proc = subprocess.Popen([tc.CODER, *args], stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=self.log, env=env,
                                     preexec_fn=_no_core_files)

    def signal(self, sig):
        self.proc.send_signal(sig)

    def wait(self, timeout=120):
        self.proc.wait(timeout=timeout)
        self.proc.stdout.close()
        self.log.seek(0)
        self.proc.stderr = self.log.read()
        self.proc.stdout = b""
        self.log.close()
        os.unlink(self.log.name)
        return self.proc


def _no_core_files():
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def _log_path():
    return os.path.join(os.environ.get("TMPDIR", "/tmp"),
                        f"coder-log-{os.getpid()}-{random.randrange(1 << 30)}")


MEMORY_CAP = 1 << 30  # address space of a child; runaway growth fails instead of swapping


def run_limited(*args, timeout=30):
    """Runs coder.dll under an address-space cap; the result carries its peak memory in
    bytes (peak), whether it had to be killed at the timeout (timed_out), and its log."""
    with open(_log_path(), "w+b") as log:
        proc = limits.run_limited([tc.CODER, *args], MEMORY_CAP, timeout,
                                  subprocess.DEVNULL, log)
        log.seek(0)
        proc.stderr, proc.stdout = log.read(), b""
    os.unlink(log.name)
    return proc


def wait_for(predicate, timeout=30):
    end = time.monotonic() + timeout
    while not predicate():
        if time.monotonic() > end:
            raise AssertionError("timed out waiting")
        time.sleep(0.002)


class Names(tc.CoderCase):
    """Names and values with line breaks never give a line that reads as success."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.good = make_source(os.path.join(cls.tmp, "good.flv"), 1, SMALL_VIDEO, SMALL_AUDIO)

    def test_failing_sources_named_like_the_closing_line(self):
        bad = b"FLV\x01\x05\x00\x00\x00\x09\x00\x00\x00\x00" + b"\x42" * 64
        for name in ["clip\nvideo.flv", "clip\rvideo.flv", "clip\r\nvideo.flv",
                     "clip\x85video.flv", "clip\u2028video.flv", "clip\x0bvideo\x1b[2K.flv"]:
            with self.subTest(name=name):
                src = self.path(name)
                with open(src, "wb") as f:
                    f.write(bad)
                for target in [self.path("x.avi"), self.path("y\nvideo.avi")]:
                    proc = run_coder("-i", src, *WINDOW_LINE, target)
                    last = self.assertFailed(proc)
                    self.assertEqual(lines_beginning_video(proc.stderr), [])
                    self.assertEqual(len(log_lines(proc.stderr)),
                                     proc.stderr.count(b"\n"), proc.stderr)
                    self.assertIn("clip", last)
                    self.assertIn("video", last.split("clip", 1)[1])
                    self.assertFalse(os.path.exists(target))

    def test_names_not_in_utf8_and_odd_option_values(self):
        src = os.path.join(self.tmp.encode(), b"clip\xff\nvideo.flv")
        shutil.copy(self.good, src)
        proc = run_coder("-i", src, *WINDOW_LINE[:2], "-r", "25\nvideo", self.path("o.avi"))
        last = self.assertFailed(proc, "-r", "25\\nvideo")
        self.assertEqual(lines_beginning_video(proc.stderr), [], last)
        proc = run_coder("-i", src, "-y", "-\nvideo", self.path("o.avi"))
        self.assertFailed(proc, "\\nvideo")
        self.assertEqual(lines_beginning_video(proc.stderr), [])

    @tc.posix_only("a Windows name cannot hold a line break")
    def test_a_converted_source_with_line_breaks_in_its_name(self):
        src = self.path("take\r\nvideo:1.flv")
        shutil.copy(self.good, src)
        out = self.path("take\nvideo.avi")
        proc = run_coder("-i", src, *WINDOW_LINE, out)
        log = self.assertSucceeded(proc, out, True)
        self.assertEqual(lines_beginning_video(proc.stderr), [log[-1]])
        self.assertIn('"' + self.path("take\\r\\nvideo:1.flv") + '"', "\n".join(log))

    def test_long_names_are_printed_whole(self):
        folder = self.path("d" * 200 + "/" + "e" * 200 + "/" + "f" * 200)
        os.makedirs(folder)
        out = os.path.join(folder, "g" * 200 + ".avi")
        proc = run_coder("-i", self.good, *WINDOW_LINE, out)
        log = self.assertSucceeded(proc, out, True)
        self.assertTrue([line for line in log if line.startswith(f'Output "{out}": video')], log)


class Targets(tc.CoderCase):
    """Only a file that a conversion created is ever removed; nothing else is truncated."""

    SLOW = ["-b", "360", "-r", "60", "-s", "640x480", "-y"]

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.long = make_source(os.path.join(cls.tmp, "long.flv"), 12,
                               ("testsrc=size=320x240:rate=25", ["-c:v", "flv"]), SMALL_AUDIO)
        cls.short = make_source(os.path.join(cls.tmp, "short.flv"), 2, SMALL_VIDEO, SMALL_AUDIO)
        # Valid headers, undecodable packets: fails after the target has been opened.
        head, tags = flvcraft.read_tags(cls.short)
        rnd = random.Random(1)
        for t in tags:
            if t.kind in (flvcraft.AUDIO, flvcraft.VIDEO) and len(t.data) > 1:
                t.data = t.data[:1] + bytes(rnd.randrange(256) for _ in t.data[1:])
        cls.undecodable = flvcraft.write_tags(os.path.join(cls.tmp, "undecodable.flv"), head, tags)

    def setUp(self):
        self.dir = os.path.join(self.tmp, self._testMethodName)
        os.makedirs(self.dir)

    def unnamed_files(self):
        """Whether the folder's disk has files without a name, which vanish with a killed
        process (else a killed replacement leaves its temporary file)."""
        try:
            os.close(os.open(self.dir, os.O_TMPFILE | os.O_WRONLY))
            return True
        except OSError:
            return False

    def leftovers(self):
        return [n for n in os.listdir(self.dir) if ".part" in n]

    def writing(self, pid):
        """Whether the process has written to a file of the test's folder (named or not)."""
        fds = f"/proc/{pid}/fd"
        for fd in os.listdir(fds):
            try:
                if (os.readlink(os.path.join(fds, fd)).startswith(self.dir + "/") and
                        os.stat(os.path.join(fds, fd)).st_size > 0):
                    return True
            except OSError:
                pass
        return False

    def start_stopped(self, src, target, env=None):
        """A slow conversion, stopped once it has written to its file."""
        run = Running("-i", src, *self.SLOW, target, env=env)
        wait_for(lambda: self.writing(run.proc.pid))
        run.signal(signal.SIGSTOP)
        return run

    def test_a_failing_conversion_leaves_a_running_ones_file_alone(self):
        race = os.path.join(self.dir, "race.avi")
        first = self.start_stopped(self.long, race)
        second = run_coder("-i", self.undecodable, *WINDOW_LINE, race)
        self.assertFailed(second, "undecodable.flv")
        first.signal(signal.SIGCONT)
        self.assertSucceeded(first.wait(), race, True)
        self.assertAlmostEqual(float(probe(race)["format"]["duration"]), 12, delta=0.3)
        self.assertEqual(self.leftovers(), [])

    def test_a_failure_or_a_stop_keeps_the_file_it_was_to_replace(self):
        old = os.path.join(self.dir, "old.avi")
        with open(old, "wb") as f:
            f.write(b"keep me")
        self.assertFailed(run_coder("-i", self.undecodable, *WINDOW_LINE, old), "undecodable")
        self.assertEqual(tc.read(old), b"keep me")
        for sig in (signal.SIGTERM, signal.SIGKILL):
            run = self.start_stopped(self.long, old)
            self.assertEqual(tc.read(old), b"keep me")
            run.signal(sig)
            run.signal(signal.SIGCONT)
            self.assertEqual(run.wait().returncode, -sig)
            self.assertEqual(tc.read(old), b"keep me")
            if sig == signal.SIGTERM or self.unnamed_files():
                self.assertEqual(self.leftovers(), [])
        # A stopped conversion to a new name removes the file it created.
        new = os.path.join(self.dir, "new.avi")
        run = self.start_stopped(self.long, new)
        run.signal(signal.SIGTERM)
        run.signal(signal.SIGCONT)
        run.wait()
        self.assertFalse(os.path.exists(new))

    def test_a_replaced_file_is_reported_not_claimed(self):
        race = os.path.join(self.dir, "race.avi")
        first = self.start_stopped(self.long, race)
        second = run_coder("-i", self.short, *WINDOW_LINE, race)
        self.assertSucceeded(second, race, True)
        first.signal(signal.SIGCONT)
        self.assertFailed(first.wait(), "race.avi", "another program")
        # The name holds the complete file of the conversion that said it succeeded.
        self.assertAlmostEqual(float(probe(race)["format"]["duration"]), 2, delta=0.2)
        self.assertEqual(self.leftovers(), [])

    @staticmethod
    def without_unnamed_files():
        """The environment in which coder.dll writes as on a disk without files that have no
        name (under a temporary name beside the target); None when the tests cannot do that."""
        shim = os.environ.get("CODER_NO_TMPFILE")
        if not shim or not os.path.exists(shim):
            return None
        return dict(os.environ, LD_PRELOAD=shim)

    @tc.posix_only("POSIX signals, several of which Wine takes for itself; an ended Windows "
                   "encoder is the SIGKILL case of the stop test above")
    def test_no_ending_leaves_a_partial_file(self):
        """Whatever signal that can be caught ends a conversion, no partial file stays, neither
        under the target's name nor beside it, and an old file stays as it was."""
        endings = (signal.SIGQUIT, signal.SIGUSR1, signal.SIGUSR2, signal.SIGALRM,
                   signal.SIGVTALRM, signal.SIGPROF, signal.SIGXCPU, signal.SIGHUP,
                   signal.SIGINT, signal.SIGTERM, signal.SIGRTMIN + 2)
        disks = [("unnamed files", None)]
        if self.without_unnamed_files():
            disks.append(("temporary names", self.without_unnamed_files()))
        old = os.path.join(self.dir, "old.wmv")
        with open(old, "wb") as f:
            f.write(b"keep me")
        new = os.path.join(self.dir, "new.wmv")
        for disk, env in disks:
            for i, sig in enumerate(endings):
                target = (new, old)[i % 2]
                with self.subTest(disk=disk, signal=sig, target=target):
                    run = self.start_stopped(self.long, target, env)
                    self.assertFalse(os.path.exists(new))
                    self.assertEqual(tc.read(old), b"keep me")
                    run.signal(sig)
                    run.signal(signal.SIGCONT)
                    self.assertEqual(run.wait().returncode, -sig)
                    self.assertEqual(os.listdir(self.dir), ["old.wmv"])
                    self.assertEqual(tc.read(old), b"keep me")

    @tc.posix_only("a process's file-size limit (ulimit -f)")
    def test_a_file_size_limit_is_a_clear_failure(self):
        target = os.path.join(self.dir, "x.wmv")
        limit = 200 * 1024

        def limited():
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

        for disk, env in (("unnamed files", None), ("temporary names", self.without_unnamed_files())):
            if disk != "unnamed files" and env is None:
                continue
            with self.subTest(disk=disk):
                proc = subprocess.run([tc.CODER, "-i", self.long, *WINDOW_LINE, target],
                                      capture_output=True, stdin=subprocess.DEVNULL, env=env,
                                      preexec_fn=limited, timeout=120)
                self.assertFailed(proc, "x.wmv", "file-size limit")
                self.assertEqual(os.listdir(self.dir), [])

    @tc.posix_only("a preloaded library stands for a disk without unnamed files; the next "
                   "test covers the Windows encoder's part files")
    def test_a_killed_writers_temporary_file_goes_with_the_next_conversion(self):
        env = self.without_unnamed_files()
        if env is None:
            self.skipTest("the encoder cannot be made to write under a temporary name here")
        target = os.path.join(self.dir, "x.wmv")
        with open(target, "wb") as f:
            f.write(b"old")
        run = self.start_stopped(self.long, target, env)
        run.signal(signal.SIGKILL)
        dead = run.wait().pid
        self.assertEqual(tc.read(target), b"old")
        self.assertEqual(len(self.leftovers()), 1, self.leftovers())
        # Files that only look alike stay: the user's, one of a writer that runs, one whose
        # writer holds its lock (from elsewhere), another user's.
        kept = ["movie.sample.part", f"a.avi.coder-{os.getpid()}-abcdef.part",
                f"b.avi.coder-{dead}-abc.part", f"c.avi.coder-{dead}-abcdef.part"]
        for name in kept:
            with open(os.path.join(self.dir, name), "wb") as f:
                f.write(b"not the encoder's")
        held = open(os.path.join(self.dir, kept[-1]), "rb")
        fcntl.flock(held, fcntl.LOCK_EX)
        if os.geteuid() == 0:
            kept.append(f"d.avi.coder-{dead}-abcdef.part")
            with open(os.path.join(self.dir, kept[-1]), "wb") as f:
                f.write(b"not the encoder's")
            os.chown(os.path.join(self.dir, kept[-1]), 65534, 65534)
        self.assertSucceeded(run_coder("-i", self.short, *WINDOW_LINE, target), target, True)
        held.close()
        self.assertEqual(sorted(self.leftovers()), sorted(kept))

    def test_a_gone_writers_part_file_goes_with_the_next_conversion(self):
        """On every system (the one above needs a disk without unnamed files): what a writer
        that no longer runs left goes; names that only look alike stay."""
        gone = subprocess.Popen(["true"])
        gone.wait()
        stale = f"x.wmv.coder-{gone.pid}-abcdef.part"
        kept = ["movie.sample.part", f"b.avi.coder-{gone.pid}-abc.part"]
        for name in [stale, *kept]:
            with open(os.path.join(self.dir, name), "wb") as f:
                f.write(b"left")
        target = os.path.join(self.dir, "x.wmv")
        self.assertSucceeded(run_coder("-i", self.short, *WINDOW_LINE, target), target, True)
        self.assertEqual(sorted(self.leftovers()), sorted(kept))

    @tc.posix_only("symbolic links and permission bits")
    def test_replacing_keeps_links_and_permissions(self):
        real = os.path.join(self.dir, "real.avi")
        with open(real, "wb") as f:
            f.write(b"old")
        os.chmod(real, 0o640)
        link = os.path.join(self.dir, "link.avi")
        os.symlink("real.avi", link)
        self.assertSucceeded(run_coder("-i", self.short, *WINDOW_LINE, link), link, True)
        self.assertTrue(os.path.islink(link))
        self.assertEqual(os.stat(real).st_mode & 0o777, 0o640)
        self.assertGreater(os.path.getsize(real), 1000)

    @tc.posix_only("symbolic links")
    def test_a_link_to_nowhere_is_not_followed(self):
        link = os.path.join(self.dir, "dangling.avi")
        victim = os.path.join(self.dir, "victim.avi")
        os.symlink(victim, link)
        self.assertFailed(run_coder("-i", self.short, *WINDOW_LINE, link), "dangling.avi")
        self.assertFalse(os.path.exists(victim))
        self.assertTrue(os.path.islink(link))


def _zero(tags):
    for t in tags:
        t.ts = 0


def _reverse(tags):
    for t in tags:
        t.ts = 3000 - t.ts if t.kind != flvcraft.SCRIPT else 0


def _near_wrap(tags):
    for t in tags:
        t.ts = (t.ts + (1 << 32) - 1000) & 0xFFFFFFFF


def _pause(kind):
    """Leaves out one stream's tags from 1 s to 2 s: a real pause, which stays in the output."""
    def drop(tags):
        tags[:] = [t for t in tags if t.kind != kind or not 1000 <= t.ts < 2000]
    return drop


def _far_composition_times(tags):
    """H.264 tags carry the distance from decoding to presentation time, 24 bits in ms."""
    avc = [t for t in tags if t.kind == flvcraft.VIDEO and t.data[0] & 0x0F == 7]
    for t in avc[len(avc) // 2:]:
        if len(t.data) > 5 and t.data[1] == 1:
            t.data = t.data[:2] + b"\x7f\xff\xff" + t.data[5:]


BACK = (1 << 32) - 2000  # added modulo 2^32: two seconds back
JUMPS = {
    "video_ahead_2^31": lambda t: flvcraft.shift(t, flvcraft.VIDEO, 1 << 31),
    "audio_ahead_2^31": lambda t: flvcraft.shift(t, flvcraft.AUDIO, 1 << 31),
    "both_ahead_2^32-1s": lambda t: flvcraft.shift(t, None, (1 << 32) - 1000),
    "video_ahead_1h": lambda t: flvcraft.shift(t, flvcraft.VIDEO, 3600 * 1000),
    "video_back_2s": lambda t: flvcraft.shift(t, flvcraft.VIDEO, BACK),
    "audio_back_2s": lambda t: flvcraft.shift(t, flvcraft.AUDIO, BACK),
    "video_starts_far": lambda t: flvcraft.shift(t, flvcraft.VIDEO, 1 << 31, 0),
    "all_late": lambda t: flvcraft.shift(t, None, 1 << 31, 0),
    "all_zero": _zero,
    "backwards": _reverse,
    "across_2^32": _near_wrap,
    "presentation_hours_late": _far_composition_times,
    "audio_pause_1s": _pause(flvcraft.AUDIO),
    "video_pause_1s": _pause(flvcraft.VIDEO),
}


def craft(src, name, transform):
    head, tags = flvcraft.read_tags(src)
    transform(tags)
    return flvcraft.write_tags(src[:-4] + "_" + name + ".flv", head, tags)


class Timestamps(tc.CoderCase):
    """Jumps, steps back, zeros and wrap-around: the output holds the real content, in step."""

    SECONDS = 3
    SOURCES = {
        "flv1_mp3": (SMALL_VIDEO, SMALL_AUDIO),
        "h264_aac": (("testsrc=size=160x120:rate=25",
                      ["-c:v", "libx264", "-preset", "ultrafast", "-bf", "2", "-pix_fmt",
                       "yuv420p"]), (SMALL_AUDIO[0], ["-c:a", "aac", "-ac", "1"])),
    }

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        jobs = []
        for name, (video, audio) in cls.SOURCES.items():
            src = make_source(os.path.join(cls.tmp, name + ".flv"), cls.SECONDS, video, audio)
            jobs += [(craft(src, jump, fn), ext) for jump, fn in JUMPS.items()
                     for ext in ("avi", "mp3")]
        cls.results = dict(tc.parallel(
            lambda j: (j, run_limited("-i", j[0], *WINDOW_LINE, j[0][:-4] + "." + j[1])), jobs))

    def test_output_lasts_as_long_as_the_content_and_stays_in_step(self):
        for (src, ext), proc in self.results.items():
            with self.subTest(source=os.path.basename(src), format=ext):
                out = src[:-4] + "." + ext
                self.assertFalse(proc.timed_out)
                self.assertSucceeded(proc, out, ext == "avi")
                info = probe(out, packets=True)
                self.assertAlmostEqual(float(info["format"]["duration"]), self.SECONDS,
                                       delta=0.4)
                ends, sizes = tc.packet_stats(out, info)
                self.assertAlmostEqual(ends["audio"], self.SECONDS, delta=0.4)
                if ext == "avi":
                    self.assertLess(abs(ends["video"] - ends["audio"]), 0.3, ends)
                    frames = int(stream_of(info, "video").get("nb_frames", 0))
                    self.assertAlmostEqual(frames, self.SECONDS * 29.97, delta=8)

    def test_memory_stays_flat(self):
        peaks = [proc.peak for proc in self.results.values()]
        self.assertLess(max(peaks), 100 << 20)

    def test_audio_of_untold_packet_length_keeps_its_length_across_jumps(self):
        # Speex and ADPCM packets do not say how long they are (20 ms and 186 ms here, not the
        # 40 ms guessed before any distance is seen). Every other packet jumping, the stream
        # must still last as long as its packets: not twice as long with a gap after each
        # jump, nor a quarter as long with the packets laid over each other.
        seconds = 2
        sources = {
            "speex": make_source(self.path("speex.flv"), seconds, None,
                                 (SMALL_AUDIO[0], ["-c:a", "libspeex", "-ar", "16000"])),
            "adpcm": make_source(self.path("adpcm.flv"), seconds,
                                 ("testsrc=size=160x120:rate=12", ["-c:v", "flv"]),
                                 (SMALL_AUDIO[0], ["-c:a", "adpcm_swf", "-ar", "22050"])),
        }
        rnd = random.Random(7)
        for name, src in sources.items():
            head, tags = flvcraft.read_tags(src)
            for t in [t for t in tags if t.kind == flvcraft.AUDIO][1::2]:
                t.ts = rnd.randrange(1 << 32)
            flvcraft.write_tags(src, head, tags)
            for ext in ("mp3", "avi"):
                with self.subTest(source=name, format=ext):
                    out = src[:-4] + "." + ext
                    self.assertSucceeded(run_limited("-i", src, *WINDOW_LINE, out), out,
                                         ext == "avi" and name == "adpcm")
                    ends, _ = tc.packet_stats(out)
                    self.assertAlmostEqual(ends["audio"], seconds, delta=0.3)


def hostile_sources(data):
    """(label, bytes) of damaged copies of a small FLV: absurd sizes, truncations at every
    tag boundary, broken size fields."""
    head, tags = flvcraft.parse(data)
    offs = flvcraft.boundaries(head, tags)
    out = []

    def patched(pos, value):
        b = bytearray(data)
        b[pos:pos + len(value)] = value
        return bytes(b)

    mid = offs[len(tags) // 2]
    video = [o for o, t in zip(offs, tags) if t.kind == flvcraft.VIDEO]
    audio = [o for o, t in zip(offs, tags) if t.kind == flvcraft.AUDIO]
    out += [("size_16M_mid", patched(mid + 1, b"\xff\xff\xff")),
            ("size_16M_first_video", patched(video[0] + 1, b"\xff\xff\xff")),
            ("size_16M_first_audio", patched(audio[0] + 1, b"\xff\xff\xff")),
            ("size_0_all_video", bytes(b"".join(
                (t.header(0) + b"\0\0\0\x0b") if t.kind == flvcraft.VIDEO else t.encode()
                for t in tags))),
            ("size_1_mid", patched(mid + 1, b"\0\0\x01")),
            ("header_offset_4G", patched(5, b"\xff\xff\xff\xff")),
            ("prev_sizes_wrong", bytes(b"".join(t.encode()[:-4] + b"\xde\xad\xbe\xef"
                                                for t in tags)))]
    out[3] = (out[3][0], head + out[3][1])
    out[6] = (out[6][0], head + out[6][1])
    for i, off in enumerate(offs):
        out.append((f"cut_at_tag_{i}", data[:off]))
        if 0 < i < len(offs) - 1:
            out.append((f"cut_inside_tag_{i}", data[:off + 5]))
    return out


# Names that must never make a line of the log read as success, nor be taken as options.
AWKWARD = ["plain", "clip\nvideo", "clip\r\nvideo", f"-dash {tc.NAME_MARKS}20 中文", "clip\rvideo"]
if tc.limits.EMULATED:
    AWKWARD = [name for name in AWKWARD if "\n" not in name and "\r" not in name]


class Hostile(tc.CoderCase):
    """Every damaged or crafted source ends in bounded time and memory, lasts no longer than
    its content, and is reported as converted only when the target holds all its streams."""

    SECONDS = 1
    TIMEOUT = 30
    MEMORY = 100 << 20

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # Few tags, so that it can be cut at every one of them. (Timestamps covers the jumps.)
        base = make_source(os.path.join(cls.tmp, "base.flv"), cls.SECONDS,
                           ("testsrc=size=160x120:rate=10", ["-c:v", "flv"]),
                           (SMALL_AUDIO[0], ["-c:a", "libmp3lame", "-ar", "11025", "-ac", "1"]))
        sources = hostile_sources(tc.read(base))
        jobs = []
        for i, (label, content) in enumerate(sources):
            src = os.path.join(cls.tmp, f"{AWKWARD[i % len(AWKWARD)]}_{label}.flv")
            with open(src, "wb") as f:
                f.write(content)
            exts = ("avi", "mp3") if i % 3 == 0 or not label.startswith("cut") else ("avi",)
            jobs += [(label, src, ext) for ext in exts]

        def convert(job):
            label, src, ext = job
            out = src[:-4] + "." + ext
            proc = run_limited("-i", src, *WINDOW_LINE, out, timeout=cls.TIMEOUT)
            return job, proc, probe_kinds(out) if os.path.exists(out) else ({}, None)

        converted = tc.parallel(convert, jobs)
        # A source is compared with its target only where the log claims a conversion.
        claimed = {job[1] for job, proc, _ in converted
                   if any(line.startswith("video") for line in log_lines(proc.stderr)[-1:])}
        source_kinds = dict(tc.parallel(lambda src: (src, probe_kinds(src)[0]), sorted(claimed)))
        cls.results = [(job, proc, source_kinds.get(job[1], {}), *target)
                       for job, proc, target in converted]

    def test_bounded_honest_and_no_longer_than_the_content(self):
        converted = 0
        for (label, src, ext), proc, source_kinds, target_kinds, duration in self.results:
            with self.subTest(source=label, format=ext):
                out = src[:-4] + "." + ext
                self.assertFalse(proc.timed_out, f"still running after {self.TIMEOUT} s")
                self.assertLess(proc.peak, self.MEMORY)
                log = log_lines(proc.stderr)
                self.assertTrue(log)
                self.assertEqual([x for x in log[:-1] if x.startswith("video")], [])
                if not log[-1].startswith("video"):
                    self.assertNotEqual(proc.returncode, 0)
                    self.assertFalse(os.path.exists(out), log[-1])
                    continue
                converted += 1
                self.assertEqual(proc.returncode, 0)
                wanted = {"audio"} if ext == "mp3" else {"audio", "video"}
                self.assertLessEqual(wanted & set(source_kinds), set(target_kinds), log[-3:])
                self.assertIsNotNone(duration, "ffprobe cannot read the target")
                self.assertLessEqual(duration, self.SECONDS + 1.0)
        # The jumps and most cuts keep content worth converting.
        self.assertGreater(converted, len(self.results) // 2)



class Decoding(tc.CoderCase):
    """Damaged streams that decoders take badly: absurd picture sizes, wild samples, packets
    that decode to seconds, a header that lies about the frame rate."""

    MEMORY = 100 << 20

    def test_a_picture_header_claiming_16000_by_16000_pixels(self):
        src = make_source(self.path("huge.flv"), 1, SMALL_VIDEO, SMALL_AUDIO)
        head, tags = flvcraft.read_tags(src)
        # A Sorenson H.263 picture header: start code, version 0, time 0, 16-bit sizes.
        bits = "0" * 16 + "1" + "0" * 13 + "001" + f"{16000:016b}" * 2 + "00" + "0" + "00101" + "0"
        bits += "0" * (-len(bits) % 8)
        video = [t for t in tags if t.kind == flvcraft.VIDEO]
        video[0].data = video[0].data[:1] + int(bits, 2).to_bytes(len(bits) // 8, "big") + \
            video[0].data[10:]
        flvcraft.write_tags(src, head, tags)
        proc = run_limited("-i", src, *WINDOW_LINE, self.path("huge.avi"))
        self.assertLess(proc.peak, self.MEMORY)
        self.assertFailed(proc, "huge.flv", "16000x16000", "too large")

    def test_a_stream_that_cannot_be_decoded_is_not_left_out_quietly(self):
        src = make_source(self.path("novideo.flv"), 2, SMALL_VIDEO, SMALL_AUDIO)
        head, tags = flvcraft.read_tags(src)
        rnd = random.Random(3)
        for t in tags:
            if t.kind == flvcraft.VIDEO:
                t.data = t.data[:1] + bytes(rnd.randrange(256) for _ in t.data[1:])
        flvcraft.write_tags(src, head, tags)
        proc = run_limited("-i", src, *WINDOW_LINE, self.path("novideo.avi"))
        self.assertFailed(proc, "novideo.flv", "video")
        self.assertFalse(os.path.exists(self.path("novideo.avi")))
        # To MP3 the video does not matter.
        out = self.path("novideo.mp3")
        self.assertSucceeded(run_limited("-i", src, *WINDOW_LINE, out), out, False)

    def test_audio_decoded_beyond_full_scale(self):
        # A size field that runs one Nellymoser tag on into the rest of the file: decoded,
        # it gives samples of 1e14 and more, on which the MP3 encoder used to abort.
        src = make_source(self.path("nelly.flv"), 2, ("testsrc=size=160x120:rate=10",
                                                      ["-c:v", "flv"]),
                          ("sine=frequency=330:sample_rate=44100",
                           ["-c:a", "nellymoser", "-ar", "22050", "-ac", "1"]))
        data = bytearray(tc.read(src))
        head, tags = flvcraft.parse(bytes(data))
        offs = flvcraft.boundaries(head, tags)
        audio = [o for o, t in zip(offs, tags) if t.kind == flvcraft.AUDIO]
        pos = audio[len(audio) // 3]
        data[pos + 1:pos + 4] = b"\x88\x7a\xde"
        with open(src, "wb") as f:
            f.write(data)
        for ext in ("mp3", "avi"):
            with self.subTest(format=ext):
                out = self.path("nelly." + ext)
                proc = run_limited("-i", src, *WINDOW_LINE, out)
                self.assertGreaterEqual(proc.returncode, 0, log_lines(proc.stderr)[-1:])
                self.assertSucceeded(proc, out, ext == "avi")
                self.assertLessEqual(float(probe(out)["format"]["duration"]), 2 + 1.0)

    def test_a_packet_that_decodes_to_seconds_is_cut_to_its_time(self):
        # ADPCM decodes every byte it is given: a tag that carries the data of 20 others
        # gives 3.7 s of audio in the 0.19 s before the next tag, in the middle of the file
        # or as its last audio.
        seconds = 2
        src = make_source(self.path("adpcm.flv"), seconds, ("testsrc=size=160x120:rate=12",
                                                            ["-c:v", "flv"]),
                          ("sine=frequency=330:sample_rate=44100",
                           ["-c:a", "adpcm_swf", "-ar", "22050", "-ac", "1"]))
        head, tags = flvcraft.read_tags(src)
        audio = [t for t in tags if t.kind == flvcraft.AUDIO]
        extra = b"".join(t.data[1:] for t in audio[1:21])
        for where, tag in (("middle", audio[len(audio) // 3]), ("last", audio[-1])):
            damaged = [flvcraft.Tag(t.kind, t.ts, t.data + extra if t is tag else t.data)
                       for t in tags]
            name = self.path(f"adpcm_{where}.flv")
            flvcraft.write_tags(name, head, damaged)
            for ext in ("mp3", "avi"):
                with self.subTest(damaged=where, format=ext):
                    out = name[:-4] + "." + ext
                    proc = run_limited("-i", name, *WINDOW_LINE, out)
                    self.assertSucceeded(proc, out, ext == "avi")
                    ends, _ = tc.packet_stats(out)
                    self.assertAlmostEqual(ends["audio"], seconds, delta=0.3)
                    if ext == "avi":
                        self.assertLess(abs(ends["video"] - ends["audio"]), 0.3, ends)
                    self.assertIn("damaged audio that overlapped the audio after it was cut",
                                  "\n".join(log_lines(proc.stderr)))

    def test_a_frame_rate_header_that_lies_does_not_stretch_the_jumps(self):
        # The header claims 2 fps for 15, and the first two thirds of the video tags carry
        # zeros and random times, so each is a jump to be bridged before the stream's own
        # spacing has been seen. Zeros in the audio then read as pauses that the stretched
        # video would fill: 10 s of output from 2 s.
        seconds = 2
        src = make_source(self.path("rate.flv"), seconds, ("testsrc=size=160x120:rate=15",
                                                           ["-c:v", "flv"]), SMALL_AUDIO)
        data = tc.read(src)
        at = data.index(b"framerate\0") + 10
        head, tags = flvcraft.parse(data[:at] + struct.pack(">d", 2.0) + data[at + 8:])
        rnd = random.Random(611)
        video = [t for t in tags if t.kind == flvcraft.VIDEO]
        for n, t in enumerate(video[:len(video) * 2 // 3]):
            t.ts = rnd.randrange(1 << 32) if n % 2 else 0
        for t in [t for t in tags if t.kind == flvcraft.AUDIO][1::4]:
            t.ts = 0
        flvcraft.write_tags(src, head, tags)
        for ext in ("mp3", "avi"):
            with self.subTest(format=ext):
                out = self.path("rate." + ext)
                proc = run_limited("-i", src, *WINDOW_LINE, out)
                self.assertSucceeded(proc, out, ext == "avi")
                self.assertLessEqual(float(probe(out)["format"]["duration"]), seconds + 1.0)


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: test_hostile.py CODER [TestClass ...]")
    sys.exit(tc.run_tests(sys.argv[0], sys.argv[1]))


if __name__ == "__main__":
    main()
