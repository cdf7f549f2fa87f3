#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What two encoders working side by side make is one ordinary stream: MP3 audio joined from
two halves sounds like one encoding, and WMV pictures from two encoders come in order, with a
key picture at the start of every group and repeats before them written as skipped pictures.

Usage: test_two_cores.py CODER
"""
import array
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import flvcraft

CODER = None


def ffmpeg(*args):
    return subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-y", *args], check=True,
                          capture_output=True)


def pcm(path):
    """The left channel, decoded, and what the decoder complained of."""
    proc = subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-i", path, "-map", "0:a",
                           "-af", "pan=mono|c0=c0", "-f", "f32le", "-"], capture_output=True)
    samples = array.array("f")
    samples.frombytes(proc.stdout)
    return samples, proc.stderr.decode(errors="replace")


def thread_names(args):
    """Runs coder.dll; its exit status, its log and the names of the threads it ran, looked
    up in /proc every few milliseconds while it runs (an encoder's thread lives for seconds)."""
    names = set()
    with tempfile.TemporaryFile() as log:
        proc = subprocess.Popen([CODER, *args], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=log)
        tasks = f"/proc/{proc.pid}/task"
        while proc.poll() is None:
            try:
                for tid in os.listdir(tasks):
                    with open(f"{tasks}/{tid}/comm") as comm:
                        names.add(comm.read().strip())
            except OSError:
                pass  # a thread or the process ended meanwhile
            time.sleep(0.002)
        log.seek(0)
        return proc.returncode, log.read().decode(errors="replace"), names


def rms(a, b, start, n):
    return math.sqrt(sum((a[i] - (b[i] if b else 0)) ** 2 for i in range(start, start + n)) / n)


class TwoCores(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="coder-two-")
        # Long enough for the audio to be cut in two; noise bursts over a gliding tone keep
        # the MP3 encoder's bit reservoir and block types busy.
        cls.source = os.path.join(cls.dir, "source.flv")
        sound = ("aevalsrc=0.3*sin(2*PI*(300+200*sin(t))*t)+0.5*random(0)*lt(mod(t\\,0.7)\\,0.2)"
                 ":s=22050")
        ffmpeg("-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-f", "lavfi", "-i", sound,
               "-t", "30", "-c:v", "flv", "-b:v", "400k", "-c:a", "libmp3lame",
               "-ar", "22050", "-b:a", "64k", cls.source)
        # Audio alone, long enough to be cut in two at 22050 Hz as well (at least 2 x 368
        # frames of 1152 samples).
        cls.sound = os.path.join(cls.dir, "sound.flv")
        ffmpeg("-f", "lavfi", "-i", sound, "-t", "40", "-c:a", "libmp3lame", "-ar", "22050",
               "-b:a", "64k", cls.sound)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def test_mp3_halves_sound_as_one(self):
        for options in (["-ab", "56", "-ar", "22050", "-ac", "2"],
                        ["-ab", "128", "-ar", "44100", "-ac", "2"]):
            with self.subTest(options=options):
                ours = os.path.join(self.dir, "ours.mp3")
                code, log, names = thread_names(["-i", self.sound, *options, "-y", ours])
                self.assertEqual(code, 0, log[-500:])
                self.assertLessEqual({"mp3 1", "mp3 2"}, names, "two encoders ran")
                single = os.path.join(self.dir, "single.mp3")
                # The same samples through a single encoder: the one channel on both sides at
                # its full level, as coder.dll makes it.
                ffmpeg("-i", self.sound, "-vn", "-af",
                       f"pan=stereo|c0=c0|c1=c0,aresample={options[3]}", "-c:a", "libmp3lame",
                       "-b:a", options[1] + "k", single)
                got, complaints = pcm(ours)
                want, _ = pcm(single)
                self.assertEqual(complaints, "")
                self.assertAlmostEqual(len(got), len(want), delta=1152)
                # A frame decoded from misplaced reservoir bytes, or lost, differs from a
                # single encoding by about the sound's own level; the two encoders' own
                # quantisation differs by far less.
                window = 1152
                bad = [start for start in range(0, min(len(got), len(want)) - window, window)
                       if rms(got, want, start, window) > 0.35 * rms(want, None, start, window) + 1e-4]
                self.assertEqual(bad, [])

    def test_mp3_of_a_source_shorter_than_its_header_says(self):
        # The header promises 30 s, so the audio is cut into segments for 30 s; the last
        # segments never come, and what came must still make a whole stream.
        head, tags = flvcraft.read_tags(self.source)
        short = os.path.join(self.dir, "short.flv")
        flvcraft.write_tags(short, head, tags[:len(tags) * 2 // 3])
        out = os.path.join(self.dir, "short.mp3")
        proc = subprocess.run([CODER, "-i", short, "-ab", "128", "-ar", "44100", "-y", out],
                              capture_output=True, text=True, stdin=subprocess.DEVNULL)
        self.assertEqual(proc.returncode, 0, proc.stderr[-500:])
        got, complaints = pcm(out)
        self.assertEqual(complaints, "")
        self.assertAlmostEqual(len(got) / 44100, 20, delta=0.5)

    def test_wmv_groups_come_in_order(self):
        out = os.path.join(self.dir, "ours.wmv")
        code, log, names = thread_names(["-i", self.source, "-b", "360", "-r", "29.97", "-s",
                                         "320x240", "-y", out])
        self.assertEqual(code, 0, log[-500:])
        self.assertLessEqual({"video 1", "video 2"}, names, "two encoders ran")
        probe = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-of",
                                "csv=p=0", "-show_entries", "packet=pts,size,flags", out],
                               check=True, capture_output=True, text=True).stdout.split()
        packets = [(int(pts), int(size), "K" in flags)
                   for pts, size, flags in (line.split(",")[:3] for line in probe)]
        times = [pts for pts, _, _ in packets]
        self.assertEqual(times, sorted(times))
        self.assertAlmostEqual(len(packets), 30 * 29.97, delta=3)
        keys = [i for i, (_, _, key) in enumerate(packets) if key]
        self.assertEqual(keys[0], 0)
        self.assertTrue(all(10 <= b - a <= 15 for a, b in zip(keys, keys[1:])), keys)
        # Repeats that close a group are written as skipped pictures, a few bytes each, and
        # decode to exactly the picture before.
        sums = subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-i", out, "-map", "0:v",
                               "-f", "framemd5", "-"], capture_output=True, text=True)
        self.assertEqual(sums.stderr, "")
        pictures = [line.split(",")[-1].strip() for line in sums.stdout.splitlines()
                    if not line.startswith("#")]
        self.assertEqual(len(pictures), len(packets))
        skipped = [i for i, (_, size, _) in enumerate(packets) if size < 64]
        self.assertGreater(len(skipped), len(keys) // 2)
        for i in skipped:
            self.assertEqual(pictures[i], pictures[i - 1], f"picture {i}")
            self.assertTrue(i + 1 == len(packets) or packets[i + 1][2], f"picture {i + 1}")


if __name__ == "__main__":
    CODER = sys.argv.pop(1)
    unittest.main()
