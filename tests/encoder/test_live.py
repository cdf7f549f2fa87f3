#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""coder.dll on recordings of live streams (live_sources.py): audio that changes shape,
timestamps that restart or leap, files written as a stream, long recordings, and video in the
enhanced form of the format.

Usage: test_live.py CODER [TestClass ...]
"""
import array
import os
import subprocess
import sys
import unittest

sys.dont_write_bytecode = True  # keep the source folder clean of caches

import live_sources
import test_coder as tc
from test_coder import WINDOW_LINE, probe, run_coder, stream_of
from test_hostile import run_limited

HERE = os.path.dirname(os.path.abspath(__file__))
# HEVC in the enhanced form, made by the ffmpeg command of Debian 13: older releases cannot
# write it, and their encoder must still say what the file holds.
ENHANCED_HEVC = os.path.join(HERE, "sources", "enhanced_hevc.flv")


def audio_seconds(path):
    return tc.packet_stats(path)[0]["audio"]


def longest_silence(path, rate=22050, skip=0.5):
    """The longest run of silence in the decoded audio, in seconds, leaving out `skip` s at
    each end (encoder delay and padding)."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-i", path, "-vn", "-f", "s16le",
                          "-ac", "1", "-ar", str(rate), "-"], check=True,
                         capture_output=True).stdout
    samples = array.array("h")
    samples.frombytes(raw[:len(raw) // 2 * 2])
    edge = int(skip * rate)
    longest = run = 0
    for x in samples[edge:len(samples) - edge]:
        run = run + 1 if -200 < x < 200 else 0
        longest = max(longest, run)
    return longest / rate


class Changes(tc.CoderCase):
    """Audio that goes from 44100 Hz stereo to 22050 Hz mono halfway converts into every
    format, continuous, as long as the source, at the rate and channels asked."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        sources = tc.parallel(lambda a: live_sources.audio_change(cls.tmp, a),
                              ["aac", "libmp3lame"])
        # The first half alone gives what the encoder adds to any source (its delay and
        # padding).
        jobs = [(src, ext) for pair in sources for src in pair for ext in ("avi", "wmv", "mp3")]
        cls.results = dict(zip(jobs, tc.parallel(
            lambda j: run_coder("-i", j[0], *WINDOW_LINE, j[0][:-4] + "." + j[1]), jobs)))
        cls.halves = dict(sources)

    def test_converted_continuous_and_as_asked(self):
        for src, half in self.halves.items():
            for ext in ("avi", "wmv", "mp3"):
                with self.subTest(source=os.path.basename(src), format=ext):
                    out = src[:-4] + "." + ext
                    self.assertSucceeded(self.results[(src, ext)], out, ext != "mp3")
                    a = stream_of(probe(out), "audio")
                    self.assertEqual((int(a["sample_rate"]), a["channels"]), (22050, 2))
                    added = audio_seconds(half[:-4] + "." + ext) - audio_seconds(half)
                    self.assertAlmostEqual(audio_seconds(out), audio_seconds(src) + added,
                                           delta=0.01 * audio_seconds(src))
                    # The halves are separate encodings, so the source has a short silence
                    # at the change; the target may add less than one frame to it.
                    self.assertLess(longest_silence(out), longest_silence(src) + 2048 / 22050)


class Recordings(tc.CoderCase):
    """Reconnects, leaps of minutes, files written as a stream, and enhanced HEVC."""

    SECONDS = 3

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        makers = {"reconnect": live_sources.reconnect, "leap": live_sources.leap,
                  "streamed": live_sources.streamed}
        cls.sources = dict(tc.parallel(lambda n: (n, makers[n](cls.tmp)), sorted(makers)))

    def convert_all(self, src):
        jobs = [(src, ext) for ext in ("avi", "mp3")]
        return dict(zip(jobs, tc.parallel(
            lambda j: run_limited("-i", j[0], *WINDOW_LINE, j[0][:-4] + "." + j[1]), jobs)))

    def test_restarts_and_leaps_keep_the_content_in_step(self):
        # Two recordings of 3 s each: the output holds both, neither the restart nor the
        # five minutes of nothing.
        for name in ("reconnect", "leap"):
            for (src, ext), proc in self.convert_all(self.sources[name]).items():
                with self.subTest(source=name, format=ext):
                    out = src[:-4] + "." + ext
                    self.assertFalse(proc.timed_out)
                    self.assertSucceeded(proc, out, ext == "avi")
                    ends, _ = tc.packet_stats(out)
                    self.assertAlmostEqual(ends["audio"], 2 * self.SECONDS, delta=0.4)
                    if ext == "avi":
                        self.assertLess(abs(ends["video"] - ends["audio"]), 0.3, ends)

    def test_a_file_written_as_a_stream(self):
        src = self.sources["streamed"]
        self.assertIn(b"duration\x00" + bytes(8), tc.read(src)[:1024], "metadata duration 0")
        self.assertNotIn(b"keyframes", tc.read(src))
        for (_, ext), proc in self.convert_all(src).items():
            with self.subTest(format=ext):
                out = src[:-4] + "." + ext
                log = self.assertSucceeded(proc, out, ext == "avi")
                # The progress lines count up to the end although the metadata says 0 s.
                self.assertIn("time=3.", log[-2])
                self.assertAlmostEqual(float(probe(out)["format"]["duration"]), self.SECONDS,
                                       delta=0.2)

    def test_enhanced_hevc_converts_or_is_named(self):
        src = live_sources.enhanced_hevc(self.tmp) or ENHANCED_HEVC
        video = stream_of(probe(src), "video")
        readable = video is not None and video["codec_name"] == "hevc"
        for ext in ("avi", "mp3"):
            with self.subTest(source=os.path.basename(src), format=ext):
                out = self.path("hevc." + ext)
                proc = run_limited("-i", src, *WINDOW_LINE, out)
                if readable:
                    self.assertSucceeded(proc, out, ext == "avi")
                    if ext == "avi":
                        frames = int(stream_of(probe(out), "video")["nb_frames"])
                        duration = float(probe(src)["format"]["duration"])
                        self.assertAlmostEqual(frames, duration * 29.97, delta=4)
                else:
                    self.assertFailed(proc, "HEVC", "enhanced")
                    self.assertFalse(os.path.exists(out))


class Long(tc.CoderCase):
    """A long recording written as a stream: memory does not grow with its length."""

    def test_memory_stays_flat(self):
        line = list(WINDOW_LINE)
        for key, value in (("-r", "15"), ("-s", "160x120"), ("-b", "100")):
            line[line.index(key) + 1] = value
        peaks = {}
        for minutes, ext in ((2, "mp3"), (30, "mp3"), (1, "avi"), (10, "avi")):
            src = live_sources.long_recording(self.tmp, minutes * 60, f"long{minutes}")
            out = self.path(f"long{minutes}.{ext}")
            proc = run_limited("-i", src, *line, out, timeout=300)
            self.assertSucceeded(proc, out, ext == "avi")
            self.assertAlmostEqual(float(probe(out)["format"]["duration"]), minutes * 60,
                                   delta=1)
            peaks[(minutes, ext)] = proc.peak
            os.unlink(out)
        if not peaks[(2, "mp3")]:
            self.skipTest("no peak memory under a sanitizer")
        self.assertLess(peaks[(30, "mp3")], peaks[(2, "mp3")] + (8 << 20), peaks)
        self.assertLess(peaks[(10, "avi")], peaks[(1, "avi")] + (8 << 20), peaks)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: test_live.py CODER [TestClass ...]")
    sys.exit(tc.run_tests(sys.argv[0], sys.argv[1]))
