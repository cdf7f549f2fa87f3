#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end tests of vidmorf-batch: real folder trees with sources made by the ffmpeg
command, the real coder.dll beside the program, outputs checked with ffprobe.

Usage: test_batch.py PROGRAM [TestClass ...]
"""
import json
import os
import pty
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

PROGRAM = None


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-y", *args], check=True)


def make_source(path, seconds=2, size="160x120"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    ffmpeg("-f", "lavfi", "-i", f"testsrc=size={size}:rate=15:duration={seconds}",
           "-f", "lavfi", "-i", f"sine=frequency=440:duration={seconds}",
           "-c:v", "flv", "-c:a", "libmp3lame", "-ar", "22050", "-shortest", path)
    return path


def make_damaged(path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"FLV\x01\x05\x00\x00\x00\x09" + bytes(range(256)) * 20)
    return path


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-of", "json", "-show_format",
                          "-show_streams", path], check=True, capture_output=True).stdout
    return json.loads(out)


def encoders_writing_into(folder):
    """Process ids of the encoders whose command line names something in folder."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/comm", "rb") as f:
                comm = f.read().strip()
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                cmdline = f.read()
        except OSError:
            continue
        if comm == b"coder.dll" and os.fsencode(folder) in cmdline:
            found.append(pid)
    return found


def files_under(folder):
    """Paths (bytes) of the files below folder, relative to it."""
    found = set()
    for top, _, names in os.walk(os.fsencode(folder)):
        for name in names:
            found.add(os.path.relpath(os.path.join(top, name), os.fsencode(folder)))
    return found


class Case(unittest.TestCase):
    """A temp folder per class; the encoders' temp folders go into one of their own."""

    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="batch-")
        cls.runtime = os.path.join(cls.root, "runtime")
        os.mkdir(cls.runtime, 0o700)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def env(self, **extra):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["XDG_RUNTIME_DIR"] = self.runtime
        env.update(extra)
        return env

    def run_batch(self, *args, program=None, **env):
        return subprocess.run([program or PROGRAM, *args], capture_output=True,
                              env=self.env(**env), stdin=subprocess.DEVNULL, timeout=300)

    def run_json(self, *args):
        """The file objects (by source) and the summary of a run with --json."""
        result = self.run_batch("--json", *args)
        objects = [json.loads(line) for line in result.stdout.decode().splitlines()]
        self.assertTrue(objects and objects[-1].get("summary"), result)
        files = {os.fsencode(o["source"]): o for o in objects[:-1]}
        return result.returncode, files, objects[-1]

    def assert_no_leftovers(self):
        self.assertEqual(os.listdir(self.runtime), [], "temp folders left behind")


class Tree(Case):
    """A tree with a damaged file: targets mirrored, the JSON, then a resume."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.src = os.path.join(cls.root, "archive $x `y`")
        make_source(os.path.join(cls.src, "a.flv"))
        make_source(os.path.join(cls.src, "sub 1", "b.flv"))
        make_source(os.path.join(cls.src, "sub 1", "deep", "c.FLV"))
        make_damaged(os.path.join(cls.src, "sub 1", "broken.flv"))
        make_source(os.path.join(cls.src, ".hidden", "d.flv"))
        with open(os.path.join(cls.src, "notes.txt"), "w") as f:
            f.write("not a video\n")

    def test_tree_then_resume(self):
        out = os.path.join(self.root, "out")
        status, files, summary = self.run_json("--recursive", "--output", out, self.src)
        self.assertEqual(status, 1)
        src = os.fsencode(self.src)
        expect = {b"a.flv": b"a.avi", b"sub 1/b.flv": b"sub 1/b.avi",
                  b"sub 1/deep/c.FLV": b"sub 1/deep/c.avi"}
        self.assertEqual(set(files), {os.path.join(src, s) for s in
                                      list(expect) + [b"sub 1/broken.flv"]})
        for source, target in expect.items():
            entry = files[os.path.join(src, source)]
            self.assertEqual(entry["status"], "done")
            self.assertEqual(os.fsencode(entry["target"]), os.path.join(os.fsencode(out), target))
            self.assertIsNone(entry["reason"])
            info = probe(entry["target"])
            self.assertEqual(info["format"]["format_name"], "avi")
            video = [s for s in info["streams"] if s["codec_type"] == "video"][0]
            self.assertEqual((video["width"], video["height"]), (320, 240))
        broken = files[os.path.join(src, b"sub 1/broken.flv")]
        self.assertEqual(broken["status"], "failed")
        self.assertTrue(broken["reason"])
        self.assertEqual(files_under(out), set(expect.values()), "a partial target remained")
        self.assertEqual((summary["files"], summary["done"], summary["skipped"],
                          summary["failed"], summary["interrupted"]), (4, 3, 0, 1, False))
        self.assert_no_leftovers()

        # An interrupted archive run resumes: only what is missing is converted.
        kept = os.stat(os.path.join(out, "a.avi")).st_mtime_ns
        os.remove(os.path.join(out, "sub 1", "b.avi"))
        status, files, summary = self.run_json("--recursive", "--output", out,
                                               "--if-exists", "skip", self.src)
        self.assertEqual(status, 1)
        statuses = {os.path.relpath(s, src): o["status"] for s, o in files.items()}
        self.assertEqual(statuses, {b"a.flv": "skipped", b"sub 1/b.flv": "done",
                                    b"sub 1/deep/c.FLV": "skipped",
                                    b"sub 1/broken.flv": "failed"})
        self.assertEqual(os.stat(os.path.join(out, "a.avi")).st_mtime_ns, kept)
        self.assertEqual(files_under(out), set(expect.values()))

    def test_plain_lines_and_terminal(self):
        source = os.path.join(self.src, "a.flv")
        out = os.path.join(self.root, "plain")
        # A pipe: plain lines only, one per file and the summary, nothing drawn in place.
        result = self.run_batch("--format", "mp3", "--output", out, source)
        self.assertEqual(result.returncode, 0, result)
        lines = result.stdout.decode().splitlines()
        self.assertEqual(len(lines), 2, lines)
        self.assertIn(source, lines[0])
        self.assertIn(os.path.join(out, "a.mp3"), lines[0])
        self.assertNotIn(b"\r", result.stdout)
        self.assertNotIn(b"\x1b", result.stdout)
        self.assertEqual(probe(os.path.join(out, "a.mp3"))["format"]["format_name"], "mp3")

        # A terminal: the progress line is drawn again in place, the file's line stays.
        pid, fd = pty.fork()
        if pid == 0:
            os.execve(PROGRAM, [PROGRAM, "--output", out, source], self.env())
        output = b""
        while True:
            ready, _, _ = select.select([fd], [], [], 120)
            try:
                chunk = os.read(fd, 4096) if ready else b""
            except OSError:
                chunk = b""
            if not chunk:
                break
            output += chunk
        _, wait = os.waitpid(pid, 0)
        self.assertEqual(os.waitstatus_to_exitcode(wait), 0, output)
        self.assertIn(b"\r\x1b[K", output)
        self.assertIn(b"1/1", output)  # the whole run's progress: files finished of all
        self.assertIn(os.fsencode(os.path.join(out, "a.avi")), output)


class Jobs(Case):
    """Two jobs at once give what one gives; sources of one name never share a target."""

    def test_two_jobs_as_one(self):
        folders = [os.path.join(self.root, f"in{i}") for i in (1, 2)]
        for folder in folders:
            for name in ("x.flv", "y.flv", "z.flv"):
                make_source(os.path.join(folder, name), seconds=1)
        runs = {}
        for jobs in ("1", "2"):
            out = os.path.join(self.root, "out" + jobs)
            status, files, summary = self.run_json("--jobs", jobs, "--output", out, *folders)
            self.assertEqual(status, 0)
            self.assertEqual(summary["done"], 6)
            runs[jobs] = {source: os.path.basename(o["target"]) for source, o in files.items()}
            self.assertEqual(files_under(out), {os.fsencode(t) for t in runs[jobs].values()})
            for target in runs[jobs].values():
                self.assertGreater(float(probe(os.path.join(out, target))["format"]["duration"]),
                                   0.5)
        self.assertEqual(runs["1"], runs["2"])
        self.assertEqual(sorted(runs["2"].values()), ["x.avi", "x_new.avi", "y.avi",
                                                      "y_new.avi", "z.avi", "z_new.avi"])
        self.assert_no_leftovers()


class Usage(Case):
    """A wrong command line is one line and status 2, before anything runs; texts from the
    marked pack, the built-in Chinese without one; no display needed."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.source = make_source(os.path.join(cls.root, "in", "clip.flv"), seconds=1)
        cls.english = os.path.join(cls.root, "english")
        os.mkdir(cls.english)
        shutil.copy(os.path.join(os.path.dirname(PROGRAM), "en.INI"), cls.english)
        with open(os.path.join(cls.english, "en.INI"), "rb") as f:
            pack = f.read().replace(b"Set=0", b"Set=1")
        with open(os.path.join(cls.english, "en.INI"), "wb") as f:
            f.write(pack)
        cls.empty = os.path.join(cls.root, "no packs")
        os.mkdir(cls.empty)

    def refused(self, *args, packs=None):
        out = os.path.join(self.root, "never")
        result = self.run_batch("--output", out, *args,
                                VIDMORF_PACK_DIR=packs or self.english)
        self.assertEqual(result.returncode, 2, result)
        self.assertEqual(result.stdout, b"")
        lines = result.stderr.decode().splitlines()
        self.assertEqual(len(lines), 1, lines)
        self.assertFalse(os.path.exists(out), "something ran")
        return lines[0]

    def test_wrong_command_lines(self):
        cases = [
            (("--format", "mkv", self.source), "'mkv' is not a value for --format"),
            (("--if-exists", "ask", self.source), "'ask' is not a value for --if-exists"),
            (("--channels", "3", self.source), "'3' is not a value for --channels"),
            (("--jobs", "0", self.source), "'0' is not a value for --jobs"),
            (("--bogus", self.source), "unknown option '--bogus'"),
            (("--recursive=yes", self.source), "unknown option '--recursive=yes'"),
            ((self.source, "--rate"), "option '--rate' needs a value"),
            ((), "no file or folder to convert given"),
            ((os.path.join(self.root, "missing"),), "cannot access"),
            ((os.path.join(self.english, "en.INI"),), "is not a Flash video file"),
            # Values the encoder refuses, in its words, before any file starts.
            (("--size", "big", self.source), "does not accept 'big' for --size"),
            (("--rate=0", self.source), "does not accept '0' for --rate"),
            (("--sample-rate", "22050;touch x", self.source), "for --sample-rate"),
        ]
        for args, expected in cases:
            with self.subTest(args=args):
                self.assertIn(expected, self.refused(*args))
        self.assertEqual(self.refused("--output=", self.source),
                         "vidmorf-batch: The output folder must not be empty.")
        self.assertEqual(self.refused("--bogus", self.source, packs=self.empty),
                         "vidmorf-batch: 未知选项“--bogus”")
        self.assert_no_leftovers()

    def test_help_and_missing_encoder(self):
        result = self.run_batch("--help")
        self.assertEqual(result.returncode, 0)
        self.assertIn(b"--if-exists", result.stdout)
        alone = os.path.join(self.root, "alone")
        os.mkdir(alone)
        shutil.copy(PROGRAM, alone)
        result = self.run_batch(self.source, program=os.path.join(alone, "vidmorf-batch"),
                                VIDMORF_PACK_DIR=self.english)
        self.assertEqual(result.returncode, 1)
        self.assertIn("coder.dll", result.stderr.decode())


class Interrupt(Case):
    """Ctrl+C in the middle: every encoder stops, no partial target, status 130."""

    def test_ctrl_c(self):
        folder = os.path.join(self.root, "long")
        for name in ("a.flv", "b.flv", "c.flv", "d.flv"):
            make_source(os.path.join(folder, name), seconds=60, size="320x240")
        out = os.path.join(self.root, "out")
        # A session of its own, so that the signal goes to its group as a terminal sends it.
        process = subprocess.Popen([PROGRAM, "--json", "--jobs", "2", "--size", "640x480",
                                    "--output", out, folder], stdout=subprocess.PIPE,
                                   env=self.env(), start_new_session=True)
        deadline = time.monotonic() + 120
        while not any(os.path.getsize(os.path.join(out, n)) > 0
                      for n in (os.listdir(out) if os.path.isdir(out) else [])):
            self.assertLess(time.monotonic(), deadline, "no target was begun")
            self.assertIsNone(process.poll())
            time.sleep(0.05)
        os.killpg(process.pid, signal.SIGINT)
        stdout, _ = process.communicate(timeout=60)
        self.assertEqual(process.returncode, 130)
        objects = [json.loads(line) for line in stdout.decode().splitlines()]
        summary = objects[-1]
        self.assertTrue(summary["summary"] and summary["interrupted"])
        done = {os.path.basename(o["target"]) for o in objects[:-1] if o["status"] == "done"}
        stopped = [o for o in objects[:-1] if o["status"] == "failed"]
        self.assertTrue(stopped, "no file was running")
        self.assertEqual({o["reason"] for o in stopped}, {"已被用户强行中止"})
        self.assertEqual(summary["not_started"], 4 - len(objects[:-1]))
        self.assertEqual(set(os.listdir(out)), done, "a partial target remained")
        self.assertEqual(encoders_writing_into(out), [], "an encoder still runs")
        self.assert_no_leftovers()


class Parallel(Case):
    """The README's recipe for many machines, with local job slots: GNU Parallel runs one
    vidmorf-batch per file into one shared output tree."""

    def test_recipe(self):
        parallel = shutil.which("parallel")
        if not parallel:
            self.skipTest("GNU Parallel is not installed")
        tree = os.path.join(self.root, "flv")
        make_source(os.path.join(tree, "a.flv"), seconds=1)
        make_source(os.path.join(tree, "talks", "b.flv"), seconds=1)
        make_source(os.path.join(tree, "talks", "2019", "c.flv"), seconds=1)
        out = os.path.join(self.root, "converted")
        recipe = ("find . -name '*.flv' -print0 | parallel -0 --sshlogin 2/: --workdir \"$TREE\" "
                  "\"$BATCH\" --format mp3 --if-exists skip --output \"$OUT\"/{//} {}")
        for _ in range(2):  # the second time every file is skipped
            result = subprocess.run(["sh", "-c", recipe], cwd=tree, capture_output=True,
                                    env=self.env(TREE=tree, OUT=out, BATCH=PROGRAM),
                                    timeout=300)
            self.assertEqual(result.returncode, 0, result)
            self.assertEqual(files_under(out), {b"a.mp3", b"talks/b.mp3", b"talks/2019/c.mp3"})
        self.assertEqual(result.stdout.decode().count("\n"), 6)  # per file: a line and a summary
        self.assert_no_leftovers()


class LegacyNames(Case):
    """Names in legacy bytes (GBK here) are kept as bytes, in targets and in the JSON.

    Passes once paths are carried as bytes everywhere; see PathFromBytes."""

    def test_gbk_names(self):
        folder = os.path.join(os.fsencode(self.root), b"\xb5\xb5\xb0\xb8")  # "档案"
        source = os.path.join(folder, b"\xb2\xe2\xca\xd4.flv")  # "测试"
        make_source(os.fsdecode(source), seconds=1)
        make_damaged(os.fsdecode(os.path.join(folder, b"\xbb\xb5.flv")))  # "坏"
        out = os.path.join(os.fsencode(self.root), b"out")
        for args in ((b"--recursive", folder), (source, os.path.join(folder, b"\xbb\xb5.flv"))):
            shutil.rmtree(out, ignore_errors=True)
            status, files, _ = self.run_json("--output", os.fsdecode(out),
                                             *map(os.fsdecode, args))
            self.assertEqual(status, 1)
            self.assertEqual(files[source]["status"], "done")
            self.assertEqual(os.fsencode(files[source]["target"]),
                             os.path.join(out, b"\xb2\xe2\xca\xd4.avi"))
            self.assertEqual(files_under(out), {b"\xb2\xe2\xca\xd4.avi"})


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]], verbosity=2)
