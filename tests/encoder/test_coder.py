#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end tests of coder.dll.

Sources are made here with the ffmpeg command (short, small), converted with the real
coder.dll and checked with ffprobe. Usage: test_coder.py CODER [TestClass ...]
"""
import array
import concurrent.futures
import hashlib
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import limits

CODER = None
# Against the Windows encoder (under Wine) the cases about what only a POSIX system has (names
# that are bytes, signals, links, modes, descriptors) are left out, and said so.
POSIX_ONLY = "POSIX only: "


def posix_only(reason):
    return unittest.skipIf(limits.EMULATED, POSIX_ONLY + reason)


# The system's own words for a full disk, after ours.
DISK_FULL = ("the disk is full",) if limits.EMULATED else ("No space left", "the disk is full")
# Characters that a name can hold: a Windows name has no '?', ':' or line break.
NAME_MARKS = "#%" if limits.EMULATED else "#?:%"

WINDOW_LINE = ["-b", "360", "-r", "29.97", "-s", "320x240", "-hq", "-deinterlace", "-y",
               "-ab", "56", "-ar", "22050", "-ac", "2"]
WORKERS = 2

PROGRESS_RE = re.compile(
    r"(?:frame=(?P<frame> *\d+) q=(?P<q>-?\d+\.\d) )?(?P<L>L?)size=(?P<size> *\d+)kB "
    r"time=(?P<time>\d+\.\d) bitrate=(?P<rate> *\d+\.\d)kbits/s {4}$")
STATS_RE = re.compile(r"video:(?P<v>\d+)kB audio:(?P<a>\d+)kB global headers:(?P<h>\d+)kB "
                      r"muxing overhead -?\d+\.\d{6}%$")


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-y", *args], check=True)


def make_source(path, seconds=3, video=None, audio=None, extra=()):
    """video/audio: (lavfi source, [codec args]) or None."""
    args = []
    if video:
        args += ["-f", "lavfi", "-i", video[0]]
    if audio:
        args += ["-f", "lavfi", "-i", audio[0]]
    args += ["-t", str(seconds)]
    args += video[1] if video else ["-vn"]
    args += audio[1] if audio else ["-an"]
    ffmpeg(*args, *extra, path)
    return path


def probe(path, packets=False):
    """ffprobe's view of a file: format and streams and, with packets, each packet's stream,
    time, duration and size (and each stream's nb_read_packets). One run gives it all: the
    start-up of ffprobe costs more than reading a test file."""
    extra = ["-show_entries", "packet=stream_index,pts_time,duration_time,size"] if packets else []
    out = subprocess.run(["ffprobe", "-v", "error", "-of", "json", "-show_format",
                          "-show_streams", *extra, path], check=True, capture_output=True).stdout
    return json.loads(out)


def stream_of(info, kind):
    found = [s for s in info["streams"] if s["codec_type"] == kind]
    return found[0] if found else None


def packet_stats(path, info=None):
    """Per stream kind: (end time of the last packet, payload bytes). info: the file's probe
    with packets, when the caller has one."""
    info = info or probe(path, packets=True)
    kinds = {s["index"]: s["codec_type"] for s in info["streams"]}
    ends, sizes = {}, {}
    for packet in info.get("packets", []):
        kind = kinds[packet["stream_index"]]
        sizes[kind] = sizes.get(kind, 0) + int(packet["size"])
        pts, dur = packet.get("pts_time", "N/A"), packet.get("duration_time", "N/A")
        if pts != "N/A":
            end = float(pts) + (float(dur) if dur != "N/A" else 0)
            ends[kind] = max(ends.get(kind, 0), end)
    return ends, sizes


def rational(text):
    num, den = text.split("/")
    return float(num) / float(den) if float(den) else 0.0


def log_lines(data):
    """The log as the window reads it: lines end at CR, CR LF or LF."""
    text = data.decode("utf-8", "replace").replace("\r\n", "\n").replace("\r", "\n")
    if text.endswith("\n"):
        text = text[:-1]
    return text.split("\n") if text else []


def run_coder(*args, timeout=120, stdin=subprocess.DEVNULL):
    start = time.monotonic()
    proc = subprocess.run([CODER, *args], capture_output=True, timeout=timeout, stdin=stdin)
    proc.elapsed = time.monotonic() - start
    return proc


def read(path):
    with open(path, "rb") as f:
        return f.read()


def sha(path):
    return hashlib.sha256(read(path)).hexdigest()


def decoded_rms(path, channels):
    """RMS of each channel of the decoded audio, as 16-bit integers."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-i", path, "-vn", "-f",
                          "s16le", "-ac", str(channels), "-"], check=True,
                         capture_output=True).stdout
    samples = array.array("h")
    samples.frombytes(raw[:len(raw) - len(raw) % (2 * channels)])
    rms = []
    for ch in range(channels):
        part = samples[ch::channels]
        rms.append((sum(x * x for x in part) / max(1, len(part))) ** 0.5)
    return rms


def parallel(fn, items):
    with concurrent.futures.ThreadPoolExecutor(WORKERS) as pool:
        return list(pool.map(fn, items))


TESTSRC = "testsrc=size=320x240:rate=25"
SINE = "sine=frequency=440:sample_rate=44100"


class CoderCase(unittest.TestCase):
    tmp = None

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="coder-test-")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.tmp, name)

    def assertSucceeded(self, proc, target, has_video):
        log = log_lines(proc.stderr)
        self.assertEqual(proc.returncode, 0, log[-3:])
        self.assertEqual(proc.stdout, b"")
        self.assertGreaterEqual(len(log), 2)
        stats = STATS_RE.match(log[-1])
        self.assertTrue(stats, log[-1])
        final = PROGRESS_RE.match(log[-2])
        self.assertTrue(final, log[-2])
        self.assertEqual(bool(final["frame"]), has_video, log[-2])
        self.assertEqual(final["L"], "L" if has_video else "", log[-2])
        self.assertTrue(proc.stderr.endswith(b"\r\n" + log[-1].encode() + b"\n"))
        # The closing size is the file's size.
        self.assertEqual(int(final["size"]), round(os.path.getsize(target) / 1024))
        if has_video:
            self.assertGreaterEqual(len(final["frame"]), 5)
            self.assertGreater(int(stats["v"]), 0)
        else:
            self.assertEqual(stats["v"], "0")
        for line in log[:-2]:
            if line.startswith(("frame=", "size=")):
                m = PROGRESS_RE.match(line)
                self.assertTrue(m and not m["L"], line)
        return log

    def assertFailed(self, proc, *mentions):
        log = log_lines(proc.stderr)
        self.assertNotEqual(proc.returncode, 0)
        self.assertEqual(proc.stdout, b"")
        self.assertTrue(log, "no message")
        self.assertFalse(log[-1].startswith("video"), log[-1])
        for text in mentions:
            self.assertIn(text, log[-1])
        return log[-1]


class Formats(CoderCase):
    """Every codec pair that the ffmpeg command can put into FLV, into all three formats."""

    SOURCES = {
        "flv1_mp3": (["-c:v", "flv", "-b:v", "400k"], ["-c:a", "libmp3lame", "-ar", "22050",
                                                         "-ac", "1"]),
        "flv1_nelly": (["-c:v", "flv"], ["-c:a", "nellymoser", "-ar", "22050", "-ac", "1"]),
        "flv1_adpcm": (["-c:v", "flv"], ["-c:a", "adpcm_swf", "-ar", "44100", "-ac", "2"]),
        "flv1_pcm": (["-c:v", "flv"], ["-c:a", "pcm_s16le", "-ar", "11025", "-ac", "1"]),
        "h264_aac": (["-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
                      "-x264opts", "interlaced=1"], ["-c:a", "aac", "-ar", "44100", "-ac", "2"]),
        "h264_speex": (["-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"],
                       ["-c:a", "libspeex", "-ar", "16000", "-ac", "1"]),
    }
    EXPECT = {"avi": ("avi", "mpeg4", "mp3"), "wmv": ("asf", "wmv2", "wmav2"),
              "mp3": ("mp3", None, "mp3")}

    @classmethod
    def setUpClass(cls):
        super().setUpClass()

        def make(item):
            name, (v, a) = item
            return make_source(os.path.join(cls.tmp, name + ".flv"), 3, (TESTSRC, v), (SINE, a))

        parallel(make, cls.SOURCES.items())

        def convert(job):
            name, ext = job
            src = os.path.join(cls.tmp, name + ".flv")
            out = os.path.join(cls.tmp, f"{name}.{ext}")
            return job, run_coder("-i", src, *WINDOW_LINE, out)

        jobs = [(n, e) for n in cls.SOURCES for e in cls.EXPECT]
        cls.results = dict(parallel(convert, jobs))

    def test_all_pairs_all_formats(self):
        source_durations = {}
        for (name, ext), proc in self.results.items():
            with self.subTest(source=name, format=ext):
                src = self.path(name + ".flv")
                out = self.path(f"{name}.{ext}")
                container, vcodec, acodec = self.EXPECT[ext]
                self.assertSucceeded(proc, out, vcodec is not None)
                info = probe(out, packets=True)
                self.assertIn(container, info["format"]["format_name"])
                v, a = stream_of(info, "video"), stream_of(info, "audio")
                self.assertEqual(a["codec_name"], acodec)
                self.assertEqual(int(a["sample_rate"]), 22050)
                self.assertEqual(a["channels"], 2)
                if vcodec:
                    self.assertEqual(v["codec_name"], vcodec)
                    self.assertEqual((v["width"], v["height"]), (320, 240))
                    self.assertAlmostEqual(rational(v["r_frame_rate"]), 29.97, delta=0.03)
                else:
                    self.assertIsNone(v)
                src_dur = source_durations.setdefault(
                    src, float(probe(src)["format"]["duration"]))
                self.assertAlmostEqual(float(info["format"]["duration"]), src_dur,
                                       delta=0.05 * src_dur)
                ends, sizes = packet_stats(out, info)
                if vcodec:
                    self.assertLess(abs(ends["video"] - ends["audio"]), 0.2, ends)
                    kbits = sizes["video"] * 8 / ends["video"] / 1000
                    self.assertGreater(kbits, 360 * 0.7)
                    self.assertLess(kbits, 360 * 1.3)

    def test_last_picture_keeps_its_time(self):
        # 3 s at 25 pictures a second, the last one from 2.96 s to 3 s: at 29.97 a second that
        # is 90 pictures, the last one repeated to fill the source's last 40 ms.
        for ext in ("avi", "wmv"):
            with self.subTest(format=ext):
                out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-of",
                                      "csv=p=0", "-show_entries", "packet=pts",
                                      self.path(f"flv1_pcm.{ext}")],
                                     check=True, capture_output=True, text=True).stdout
                self.assertEqual(len(out.split()), 90)

    def test_avi_names_its_video_xvid(self):
        info = probe(self.path("flv1_mp3.avi"))
        self.assertEqual(stream_of(info, "video")["codec_tag_string"], "XVID")


class Shapes(CoderCase):
    """Sources with one stream, odd sizes, a variable frame rate; settings the window offers."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        p = lambda n: os.path.join(cls.tmp, n)  # noqa: E731
        mono = ["-c:a", "libmp3lame", "-ar", "22050", "-ac", "1"]
        jobs = [
            (p("video_only.flv"), 3, (TESTSRC, ["-c:v", "flv"]), None, ()),
            (p("audio_only.flv"), 3, None, (SINE, ["-c:a", "libmp3lame", "-ac", "2"]), ()),
            (p("odd.flv"), 2, ("testsrc=size=321x241:rate=25", ["-c:v", "flv"]), (SINE, mono),
             ()),
            # Frames every 40 ms for a second, then every 120 ms.
            (p("vfr.flv"), 4, ("testsrc=size=320x240:rate=25",
                               ["-c:v", "flv", "-vf", "select='lt(t,1)+not(mod(n,3))'",
                                "-fps_mode", "vfr"]), (SINE, mono), ()),
            (p("mono.flv"), 3, (TESTSRC, ["-c:v", "flv"]),
             ("sine=frequency=440:sample_rate=22050", ["-c:a", "pcm_s16le", "-ac", "1"]), ()),
            (p("stereo.flv"), 3, (TESTSRC, ["-c:v", "flv"]),
             (SINE, ["-c:a", "libmp3lame", "-ac", "2"]), ()),
        ]
        parallel(lambda j: make_source(*j), jobs)

    def convert(self, src, target, *changes):
        line = list(WINDOW_LINE)
        for key, value in zip(changes[0::2], changes[1::2]):
            line[line.index(key) + 1] = value
        return run_coder("-i", self.path(src), *line, self.path(target))

    def test_one_stream_sources(self):
        jobs = [("video_only.flv", "vo.avi"), ("video_only.flv", "vo.wmv"),
                ("video_only.flv", "vo.mp3"), ("audio_only.flv", "ao.avi"),
                ("audio_only.flv", "ao.wmv"), ("audio_only.flv", "ao.mp3")]
        procs = parallel(lambda j: self.convert(*j), jobs)
        for (src, out), proc in zip(jobs, procs):
            with self.subTest(out=out):
                if out == "vo.mp3":
                    self.assertFailed(proc, "video_only.flv", "no audio")
                    self.assertFalse(os.path.exists(self.path(out)))
                    continue
                has_video = out.startswith("vo")
                self.assertSucceeded(proc, self.path(out), has_video)
                info = probe(self.path(out))
                self.assertEqual(stream_of(info, "video") is not None, has_video)
                self.assertEqual(stream_of(info, "audio") is not None, not has_video)
                self.assertAlmostEqual(float(info["format"]["duration"]), 3.0, delta=0.15)

    def test_odd_sizes_round_down(self):
        proc = self.convert("odd.flv", "odd.avi", "-s", "175x145")
        self.assertSucceeded(proc, self.path("odd.avi"), True)
        v = stream_of(probe(self.path("odd.avi")), "video")
        self.assertEqual((v["width"], v["height"]), (174, 144))
        bad = self.convert("odd.flv", "odd1.avi", "-s", "1x240")
        self.assertFailed(bad, "-s")

    def test_variable_frame_rate_becomes_constant(self):
        proc = self.convert("vfr.flv", "vfr.avi", "-r", "25")
        self.assertSucceeded(proc, self.path("vfr.avi"), True)
        out = self.path("vfr.avi")
        frames = subprocess.run(["ffprobe", "-v", "error", "-of", "csv=p=0", "-select_streams",
                                 "v", "-show_entries", "packet=pts", out], check=True,
                                capture_output=True, text=True).stdout.split()
        pts = [int(x) for x in frames]
        # One frame per tick after the first; the muxer may hold the first frame for a tick
        # or two to match the audio encoder's delay.
        self.assertEqual(pts[1:], list(range(pts[1], pts[1] + len(pts) - 1)))
        self.assertLessEqual(pts[1] - pts[0], 3)
        self.assertAlmostEqual(len(pts), 100, delta=4)
        ends, _ = packet_stats(out)
        self.assertLess(abs(ends["video"] - ends["audio"]), 0.2, ends)

    def test_mono_to_stereo_keeps_full_level(self):
        proc = self.convert("mono.flv", "mono.avi")
        self.assertSucceeded(proc, self.path("mono.avi"), True)
        [source] = decoded_rms(self.path("mono.flv"), 1)
        left, right = decoded_rms(self.path("mono.avi"), 2)
        self.assertAlmostEqual(left / source, 1.0, delta=0.1)
        self.assertAlmostEqual(right / left, 1.0, delta=0.02)

    def test_channels_rates_and_bit_rates(self):
        cases = [
            ("stereo.flv", "mono_out.mp3", ("-ac", "1", "-ar", "44100", "-ab", "64"),
             dict(channels=1, sample_rate=44100, bit_rate=64000)),
            ("stereo.flv", "low.wmv", ("-ab", "16"), dict(bit_rate=24000, note="24 kbit/s")),
            ("stereo.flv", "high.mp3", ("-ab", "200"), dict(bit_rate=160000, note="160 kbit/s")),
            # Below 16 kHz the MP3 encoder takes no more than 64 kbit/s.
            ("stereo.flv", "low_rate.mp3", ("-ar", "8000", "-ab", "96"),
             dict(bit_rate=64000, note="using 64 kbit/s")),
            ("stereo.flv", "low_rate.avi", ("-ar", "12000", "-ab", "80", "-ac", "1"),
             dict(bit_rate=64000, note="using 64 kbit/s")),
            ("stereo.flv", "b160.avi", ("-b", "160", "-r", "15"), dict(kbits=160, fps=15)),
            ("stereo.flv", "b768.avi", ("-b", "768", "-s", "480x360"), dict(kbits=768)),
        ]
        procs = parallel(lambda c: self.convert(c[0], c[1], *c[2]), cases)
        for (src, out, _, want), proc in zip(cases, procs):
            with self.subTest(out=out):
                target = self.path(out)
                log = self.assertSucceeded(proc, target, out.endswith(("avi", "wmv")))
                info = probe(target, packets=True)
                a, v = stream_of(info, "audio"), stream_of(info, "video")
                if "channels" in want:
                    self.assertEqual(a["channels"], want["channels"])
                    self.assertEqual(int(a["sample_rate"]), want["sample_rate"])
                if "bit_rate" in want:
                    self.assertEqual(int(a["bit_rate"]), want["bit_rate"])
                if "note" in want:
                    notes = [line for line in log if want["note"] in line]
                    self.assertTrue(notes, log)
                    self.assertLess(log.index(notes[0]), len(log) - 2)
                if "kbits" in want:
                    ends, sizes = packet_stats(target, info)
                    kbits = sizes["video"] * 8 / ends["video"] / 1000
                    self.assertAlmostEqual(kbits / want["kbits"], 1.0, delta=0.3)
                if "fps" in want:
                    self.assertAlmostEqual(rational(v["r_frame_rate"]), want["fps"], delta=0.01)


class Failures(CoderCase):
    """Bad command lines, bad sources, and targets that must not or cannot be written."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.src = make_source(os.path.join(cls.tmp, "good.flv"), 3,
                              (TESTSRC, ["-c:v", "flv"]),
                              (SINE, ["-c:a", "libmp3lame", "-ar", "22050"]))

    def test_command_line_errors(self):
        src, out = self.src, self.path("cl.avi")
        cases = [
            (["-i", src, "-q", "3", out], "-q"),
            (["-i", src, out, "-b"], "-b"),
            (["-i", src, "-b", "360k", out], "-b"),
            (["-i", src, "-r", "abc", out], "-r"),
            (["-i", src, "-s", "320", out], "-s"),
            (["-i", src, "-ac", "3", out], "-ac"),
            (["-i", src, "-ar", "22.5k", out], "-ar"),
            (["-b", "360", out], "-i"),
            (["-i", src, "-y"], "output"),
            (["-i", src, "-y", self.path("cl.mkv")], "cl.mkv"),
        ]
        procs = parallel(lambda c: run_coder(*c[0]), cases)
        for (args, mention), proc in zip(cases, procs):
            with self.subTest(args=args):
                self.assertFailed(proc, mention)
                self.assertFalse(os.path.exists(out))

    def test_options_in_any_order(self):
        out = self.path("order.avi")
        proc = run_coder(out, "-ac", "1", "-y", "-s", "160x120", "-i", self.src, "-b", "200")
        self.assertSucceeded(proc, out, True)
        info = probe(out)
        self.assertEqual(stream_of(info, "video")["width"], 160)
        self.assertEqual(stream_of(info, "audio")["channels"], 1)

    def test_bad_sources_fail_cleanly(self):
        good = read(self.src)
        files = {"missing.flv": None, "empty.flv": b"", "garbage.flv": os.urandom(20000),
                 "header_only.flv": good[:200], "text.flv": b"#EXTM3U\nhttp://x.example/a\n",
                 "no_streams.flv": b"FLV\x01\x05\x00\x00\x00\x09\x00\x00\x00\x00"}
        # What the user reads as the reason, in plain words.
        reasons = {"missing.flv": "does not exist", "empty.flv": "is empty",
                   "garbage.flv": "is not a valid Flash video",
                   "header_only.flv": "is truncated or damaged",
                   "text.flv": "is not a valid Flash video",
                   "no_streams.flv": "is truncated or damaged", "folder.flv": "is a folder"}
        os.makedirs(self.path("folder.flv"))
        files["folder.flv"] = None
        for name, data in files.items():
            if data is not None:
                with open(self.path(name), "wb") as f:
                    f.write(data)
        names = list(files)
        procs = parallel(lambda n: run_coder("-i", self.path(n), *WINDOW_LINE,
                                             self.path(n + ".avi"), timeout=60), names)
        for name, proc in zip(names, procs):
            with self.subTest(source=name):
                self.assertFailed(proc, name, reasons[name])
                self.assertFalse(os.path.exists(self.path(name + ".avi")))

    def test_damaged_sources_convert_what_they_can(self):
        good = bytearray(read(self.src))
        half = self.path("half.flv")
        with open(half, "wb") as f:
            f.write(good[:len(good) // 2])
        damaged = self.path("damaged.flv")
        rnd = random.Random(7)
        for _ in range(40):
            pos = rnd.randrange(len(good) // 4, len(good))
            good[pos:pos + 16] = bytes(rnd.randrange(256) for _ in range(16))
        with open(damaged, "wb") as f:
            f.write(good)
        procs = parallel(lambda s: run_coder("-i", s, *WINDOW_LINE, s + ".avi", timeout=60),
                         [half, damaged])
        for src, proc in zip([half, damaged], procs):
            with self.subTest(source=src):
                self.assertSucceeded(proc, src + ".avi", True)
                dur = float(probe(src + ".avi")["format"]["duration"])
                self.assertGreater(dur, 0.5)
                self.assertLess(dur, 3.2)

    def test_names_are_taken_literally(self):
        # Never read as URLs or protocols: '#', '?', '%', a colon, a leading dash, CJK.
        marks = NAME_MARKS
        src = self.path(f"-a b{marks}20 file{marks}中文.flv")
        shutil.copy(self.src, src)
        out = self.path(f"out {marks}41 中文.wmv")
        proc = run_coder("-i", src, *WINDOW_LINE, out)
        self.assertSucceeded(proc, out, True)

    def test_vanished_log_reader_does_not_stop_the_conversion(self):
        out = self.path("pipe.avi")
        proc = subprocess.Popen([CODER, "-i", self.src, *WINDOW_LINE, out],
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE)
        proc.stderr.close()  # the reader goes away at once
        self.assertEqual(proc.wait(timeout=60), 0)
        ends, _ = packet_stats(out)
        self.assertAlmostEqual(ends["video"], 3.0, delta=0.15)

    def test_target_that_is_the_input_is_refused(self):
        base = self.path("same")
        os.makedirs(base + "/sub", exist_ok=True)
        src = base + "/clip.avi"  # an FLV under a name that passes the extension check
        shutil.copy(self.src, src)
        os.link(src, base + "/hard.avi")
        os.symlink(src, base + "/soft.avi")
        before = sha(src)
        for target in [src, base + "/sub/../clip.avi", base + "/./clip.avi",
                       base + "/hard.avi", base + "/soft.avi"]:
            with self.subTest(target=target):
                proc = run_coder("-i", src, *WINDOW_LINE, target)
                self.assertFailed(proc, "input")
                self.assertEqual(sha(src), before)

    def test_existing_target_needs_y_and_stdin_is_never_read(self):
        out = self.path("exists.avi")
        with open(out, "wb") as f:
            f.write(b"keep me")
        line = [x for x in WINDOW_LINE if x != "-y"]
        # Standard input stays open and empty: a prompt would wait here until the timer.
        proc = subprocess.Popen([CODER, "-i", self.src, *line, out], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        timer = threading.Timer(30, proc.kill)
        timer.start()
        stdout, stderr = proc.stdout.read(), proc.stderr.read()
        proc.wait()
        timer.cancel()
        for pipe in (proc.stdin, proc.stdout, proc.stderr):
            pipe.close()
        proc.stdout, proc.stderr = stdout, stderr
        self.assertFailed(proc, "exists.avi")
        self.assertEqual(read(out), b"keep me")
        replaced = run_coder("-i", self.src, *WINDOW_LINE, out)
        self.assertSucceeded(replaced, out, True)

    def test_undecodable_codecs_are_named(self):
        # The codec number in the first byte of each tag's data: 12 is no video codec of
        # Flash video, 9 no audio codec.
        sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
        import flvcraft
        for kind, bits, mask in ((flvcraft.VIDEO, 0x0C, 0xF0), (flvcraft.AUDIO, 0x90, 0x0F)):
            head, tags = flvcraft.read_tags(self.src)
            for t in tags:
                if t.kind == kind:
                    t.data = bytes([(t.data[0] & mask) | bits]) + t.data[1:]
            src = flvcraft.write_tags(self.path(f"codec{kind}.flv"), head, tags)
            with self.subTest(kind=kind):
                self.assertFailed(run_coder("-i", src, *WINDOW_LINE, src + ".avi"),
                                  src, "codec that cannot be decoded")

    def test_unwritable_targets(self):
        targets = [self.path("no/such/folder/x.avi"), self.path("good.flv") + "/x.avi"]
        # Windows does not tell a file in the path from a missing folder.
        in_path = "the folder does not exist" if limits.EMULATED else "is a file, not a folder"
        reasons = {targets[0]: "the folder does not exist", targets[1]: in_path,
                   self.path("dir.avi"): "that name is a folder"}
        os.makedirs(self.path("dir.avi"))
        targets.append(self.path("dir.avi"))
        ro = self.path("readonly")
        os.makedirs(ro)
        mounted = False
        if os.geteuid() == 0:
            mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", ro],
                                     capture_output=True).returncode == 0
        else:
            os.chmod(ro, 0o555)
            mounted = True
        if mounted:
            targets.append(os.path.join(ro, "x.avi"))
        try:
            for target in targets:
                with self.subTest(target=target):
                    proc = run_coder("-i", self.src, *WINDOW_LINE, target)
                    self.assertFailed(proc, target, reasons.get(target, "cannot be written"))
        finally:
            if os.geteuid() == 0 and mounted:
                subprocess.run(["umount", ro])
        if not mounted:
            self.skipTest("no read-only folder could be made (mount refused)")

    @posix_only("runs the encoder as another user")
    def test_folder_without_permission(self):
        locked = self.path("locked")
        os.makedirs(locked)
        os.chmod(locked, 0o555)
        os.chmod(self.tmp, 0o755)  # the source stays readable for the other user below
        target = os.path.join(locked, "x.avi")
        coder, user = CODER, None
        if os.geteuid() == 0:
            # The other user may not reach the build (a clone in root's home, say): a copy of
            # the encoder beside the source is one it may run.
            coder = shutil.copy(CODER, self.path("coder.dll"))
            user = lambda: os.setuid(65534)  # noqa: E731
        proc = subprocess.run([coder, "-i", self.src, *WINDOW_LINE, target], capture_output=True,
                              timeout=60, stdin=subprocess.DEVNULL, preexec_fn=user)
        self.assertFailed(proc, target, "the folder cannot be written: no permission")

    def test_full_disk_is_a_failure(self):
        full = self.path("full.avi")
        os.symlink("/dev/full", full)
        proc = run_coder("-i", self.src, *WINDOW_LINE, full)
        self.assertFailed(proc, "full.avi", *DISK_FULL)
        self.assertTrue(os.path.exists("/dev/full"))

        small = self.path("small")
        os.makedirs(small)
        if os.geteuid() != 0 or subprocess.run(
                ["mount", "-t", "tmpfs", "-o", "size=16k", "tmpfs", small],
                capture_output=True).returncode != 0:
            self.skipTest("a small tmpfs could not be mounted; /dev/full case passed")
        try:
            for ext in ("avi", "wmv", "mp3"):
                with self.subTest(ext=ext):
                    target = os.path.join(small, "x." + ext)
                    proc = run_coder("-i", self.src, *WINDOW_LINE, target)
                    self.assertFailed(proc, target, *DISK_FULL)
                    self.assertFalse(os.path.exists(target))
        finally:
            subprocess.run(["umount", small])


class Progress(CoderCase):
    """A conversion long enough for progress lines, read as they arrive."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.src = make_source(os.path.join(cls.tmp, "long.flv"), 20,
                              ("testsrc=size=640x480:rate=30",
                               ["-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"]),
                              (SINE, ["-c:a", "aac", "-ac", "2"]))

    def run_timed(self, target):
        arrivals = []  # (seconds since start, line)
        start = time.monotonic()
        # A large output at a high rate makes the run last a few seconds.
        line = WINDOW_LINE[:2] + ["-r", "60", "-s", "1280x720"] + WINDOW_LINE[6:]
        proc = subprocess.Popen([CODER, "-i", self.src, *line, target],
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        buf = b""
        while True:
            chunk = os.read(proc.stderr.fileno(), 4096)
            if not chunk:
                break
            now = time.monotonic() - start
            buf += chunk
            while b"\r" in buf or b"\n" in buf:
                cut = min(i for i in (buf.find(b"\r"), buf.find(b"\n")) if i >= 0)
                arrivals.append((now, buf[:cut + 1]))
                buf = buf[cut + 1:]
        stdout = proc.stdout.read()
        proc.wait(timeout=120)
        proc.stdout.close()
        proc.stderr.close()
        proc.stdout = stdout
        proc.stderr = b"".join(line for _, line in arrivals) + buf
        proc.elapsed = time.monotonic() - start
        return proc, arrivals

    def test_progress_lines(self):
        target = self.path("long.avi")
        proc, arrivals = self.run_timed(target)
        log = self.assertSucceeded(proc, target, True)
        updates = [(t, line) for t, line in arrivals
                   if line.startswith(b"frame=") and line.endswith(b"    \r")]
        final = updates.pop()  # the closing one, with L
        self.assertIn(b"Lsize=", final[1])
        # Lines come every half second; a run shorter than a second would check nothing.
        self.assertGreaterEqual(proc.elapsed, 1.0, "the conversion was too quick to show "
                                "progress lines: make the source longer")
        self.assertTrue(updates, log)
        # At most one every half second, none in the first half second.
        self.assertGreaterEqual(updates[0][0], 0.5)
        self.assertLessEqual(len(updates), proc.elapsed / 0.5 + 1)
        values = [PROGRESS_RE.match(line.decode()[:-1]) for _, line in updates]
        frames = [int(m["frame"]) for m in values]
        times = [float(m["time"]) for m in values]
        self.assertEqual(frames, sorted(frames))
        self.assertEqual(times, sorted(times))
        for m in values:
            size, t, rate = int(m["size"]), float(m["time"]), float(m["rate"])
            # bitrate = bytes * 8 / time / 1000, with size and time as rounded on the line
            low = (size - 0.5) * 8.192 / (t + 0.05)
            high = (size + 0.5) * 8.192 / max(t - 0.05, 0.01)
            self.assertTrue(low - 0.1 <= rate <= high + 0.1, (size, t, rate))

    def test_audio_only_target_lines(self):
        target = self.path("long.mp3")
        proc = run_coder("-i", self.src, *WINDOW_LINE, target)
        log = self.assertSucceeded(proc, target, False)
        self.assertFalse([line for line in log if line.startswith("frame=")])


# CTest's SKIP_RETURN_CODE: a run in which any case was skipped reports itself as skipped
# rather than passed, so that a check this machine could not make is not counted as made.
SKIPPED = 77


def run_tests(script, coder):
    """Runs the cases named on the command line after CODER; the process's exit status."""
    global CODER
    CODER = os.path.abspath(coder)
    for tool in ("ffmpeg", "ffprobe"):
        if not shutil.which(tool):
            sys.exit(f"{tool} is needed to run these tests")
    result = unittest.main(argv=[script, "-v", *sys.argv[2:]], exit=False).result
    if not result.wasSuccessful():
        return 1
    for case, reason in result.skipped:
        print(f"SKIPPED {case.id()}: {reason}", file=sys.stderr)
    missed = [reason for _, reason in result.skipped if not reason.startswith(POSIX_ONLY)]
    return SKIPPED if missed else 0


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: test_coder.py CODER [TestClass ...]")
    sys.exit(run_tests(sys.argv[0], sys.argv[1]))


if __name__ == "__main__":
    main()
