#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""coder.dll against hostile sources, awkward names and races for its target.

Usage: test_hostile.py CODER [TestClass ...]. Sources are made with the ffmpeg command and
then rewritten tag by tag (flvcraft); outputs are checked with ffprobe.
"""
import os
import shutil
import sys
import unittest

import flvcraft
import test_coder as tc
from test_coder import WINDOW_LINE, log_lines, make_source, probe, run_coder, stream_of

SMALL_VIDEO = ("testsrc=size=160x120:rate=25", ["-c:v", "flv"])
SMALL_AUDIO = ("sine=frequency=440:sample_rate=22050",
               ["-c:a", "libmp3lame", "-ar", "22050", "-ac", "1"])


def lines_beginning_video(data):
    return [line for line in log_lines(data) if line.startswith("video")]


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


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: test_hostile.py CODER [TestClass ...]")
    tc.CODER = os.path.abspath(sys.argv[1])
    for tool in ("ffmpeg", "ffprobe"):
        if not shutil.which(tool):
            sys.exit(f"{tool} is needed to run these tests")
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[2:]])


if __name__ == "__main__":
    main()
