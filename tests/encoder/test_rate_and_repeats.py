#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""coder.dll keeps to the asked video bit rate, and repeats pictures cheaply and faithfully.

Usage: test_rate_and_repeats.py CODER
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

CODER = None


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-y", *args], check=True)


def video_packets(path):
    """(pts, size) of each video packet."""
    out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-of", "csv=p=0",
                          "-show_entries", "packet=pts,size", path], check=True,
                         capture_output=True, text=True).stdout
    return [tuple(int(x) for x in line.split(",")[:2]) for line in out.split()]


class RateAndRepeats(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="coder-rate-")
        # Busy pictures that the encoder cannot make small, and a plain moving pattern.
        cls.busy = os.path.join(cls.dir, "busy.flv")
        ffmpeg("-f", "lavfi", "-i", "testsrc2=size=320x240:rate=30", "-f", "lavfi", "-i",
               "sine=frequency=500:sample_rate=22050", "-t", "8", "-c:v", "flv", "-b:v", "2M",
               "-c:a", "libmp3lame", "-ar", "22050", cls.busy)
        cls.plain = os.path.join(cls.dir, "plain.flv")
        ffmpeg("-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-t", "6", "-c:v", "flv",
               "-b:v", "800k", cls.plain)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def convert(self, source, target, *options):
        out = os.path.join(self.dir, target)
        proc = subprocess.run([CODER, "-i", source, *options, "-y", out], capture_output=True,
                              text=True, stdin=subprocess.DEVNULL)
        self.assertEqual(proc.returncode, 0, proc.stderr[-500:])
        return out

    def test_video_keeps_to_the_asked_rate(self):
        # The rate control once overshot by up to a fifth on short clips.
        for fmt in ("avi", "wmv"):
            for kbps in (200, 360, 700):
                with self.subTest(fmt=fmt, kbps=kbps):
                    out = self.convert(self.busy, f"busy{kbps}.{fmt}", "-b", str(kbps), "-r",
                                       "29.97", "-s", "320x240")
                    payload = sum(size for _, size in video_packets(out))
                    rate = payload * 8 / 8.0 / 1000
                    self.assertLess(abs(rate / kbps - 1), 0.05, f"{rate:.0f} kbit/s")

    def test_repeats_are_cheap_and_show_the_source(self):
        out = self.convert(self.plain, "plain.avi", "-b", "360", "-r", "29.97", "-hq")
        packets = video_packets(out)
        pts = [p for p, _ in packets]
        # A packet for every tick, as before; one tick in six repeats a source picture.
        self.assertEqual(pts[1:], list(range(pts[1], pts[1] + len(pts) - 1)))
        tiny = [size for _, size in packets if size <= 8]
        self.assertAlmostEqual(len(tiny) / len(packets), 1 - 25 / 29.97, delta=0.03)
        # Decoded and shown at the output rate, the pictures are those of the source.
        graph = "[0:v]fps=2997/100:start_time=0[m];[1:v]fps=2997/100:start_time=0[r];[m][r]ssim"
        proc = subprocess.run(["ffmpeg", "-nostdin", "-v", "info", "-i", out, "-i", self.plain,
                               "-lavfi", graph, "-f", "null", "-"], capture_output=True,
                              text=True)
        self.assertNotIn("error", proc.stderr.lower())
        ssim = float(re.search(r"All:([0-9.]+)", proc.stderr).group(1))
        self.assertGreater(ssim, 0.998)  # a picture out of step costs more than that


if __name__ == "__main__":
    CODER = os.path.abspath(sys.argv.pop(1))
    unittest.main()
