#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Mutation fuzzing of coder.dll's input side.

Flips bytes, rewrites tag headers, cuts, repeats and splices the tags of a few seed FLVs made
with the ffmpeg command, and runs the real coder.dll on each result under a time and a memory
limit. A finding is a crash, a hang, a peak above the memory bound, a line beginning with
"video" anywhere but last, output on standard output, a success whose target lacks a stream
of the source or lasts longer than its packets can fill, or a failure that leaves its
target behind.

Usage: fuzz_coder.py CODER [--seconds N | --count N] [--seed S] [--jobs J] [--keep DIR]
                     [--regressions DIR]
With --count, exactly N inputs are tried, so that a run with a given seed tries the same
inputs however fast the machine is; otherwise as many as N seconds allow. Exits 1 when
anything was found; findings are copied to DIR (default: a temporary folder that is kept only
when something was found), with a findings.json that says which seed and format each one had.
Such a folder, given to --regressions, is tried first, input by input, with the same format.
"""
import argparse
import concurrent.futures
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
import flvcraft  # noqa: E402
import limits  # noqa: E402

WINDOW_LINE = ["-b", "360", "-r", "29.97", "-s", "320x240", "-hq", "-deinterlace", "-y",
               "-ab", "56", "-ar", "22050", "-ac", "2"]
SEED_SECONDS = 2
TIME_LIMIT = 20
MEMORY_BOUND = 100 << 20
ADDRESS_CAP = 2 << 30

SEEDS = {
    "flv1_mp3": ("testsrc=size=160x120:rate=15", ["-c:v", "flv"],
                 ["-c:a", "libmp3lame", "-ar", "22050", "-ac", "1"]),
    "h264_aac": ("testsrc=size=160x120:rate=25",
                 ["-c:v", "libx264", "-preset", "ultrafast", "-bf", "2", "-pix_fmt", "yuv420p"],
                 ["-c:a", "aac", "-ac", "2"]),
    "flv1_adpcm": ("testsrc=size=176x144:rate=12", ["-c:v", "flv"],
                   ["-c:a", "adpcm_swf", "-ar", "22050", "-ac", "1"]),
    "flv1_nelly": ("testsrc=size=160x120:rate=10", ["-c:v", "flv"],
                   ["-c:a", "nellymoser", "-ar", "22050", "-ac", "1"]),
    "audio_speex": (None, None, ["-c:a", "libspeex", "-ar", "16000", "-ac", "1"]),
}


def make_seeds(folder):
    seeds = {}
    for name, (video, vargs, aargs) in SEEDS.items():
        path = os.path.join(folder, name + ".flv")
        args = ["ffmpeg", "-v", "error", "-nostdin", "-y"]
        if video:
            args += ["-f", "lavfi", "-i", video]
        args += ["-f", "lavfi", "-i", "sine=frequency=330:sample_rate=44100",
                 "-t", str(SEED_SECONDS)]
        args += vargs if video else ["-vn"]
        subprocess.run(args + aargs + [path], check=True)
        with open(path, "rb") as f:
            seeds[name] = f.read()
    return seeds


# ---- mutations ---------------------------------------------------------------------------

def flip_bytes(rnd, data, _seeds):
    b = bytearray(data)
    for _ in range(rnd.choice([1, 2, 4, 16, 64])):
        pos = rnd.randrange(len(b))
        b[pos] = rnd.choice([b[pos] ^ (1 << rnd.randrange(8)), rnd.randrange(256), 0, 0xFF])
    return bytes(b)


def tags_of(data):
    try:
        head, tags = flvcraft.parse(data)
    except ValueError:
        return None, None
    return (head, tags) if tags else (None, None)


def rewrite_header_field(rnd, data, _seeds):
    head, tags = tags_of(data)
    if not tags:
        return flip_bytes(rnd, data, _seeds)
    offs = flvcraft.boundaries(head, tags)
    i = rnd.randrange(len(tags))
    b = bytearray(data)
    field = rnd.choice(["type", "size", "ts", "ext", "stream", "prev", "codec"])
    pos = offs[i]
    if field == "type":
        b[pos] = rnd.choice([8, 9, 18, 0, 0x1F, 0x28, rnd.randrange(256)])
    elif field == "size":
        b[pos + 1:pos + 4] = rnd.choice([b"\xff\xff\xff", b"\0\0\0", b"\0\0\x01",
                                         bytes(rnd.randrange(256) for _ in range(3))])
    elif field == "ts":
        b[pos + 4:pos + 7] = bytes(rnd.randrange(256) for _ in range(3))
    elif field == "ext":
        b[pos + 7] = rnd.randrange(256)
    elif field == "stream":
        b[pos + 8:pos + 11] = bytes(rnd.randrange(256) for _ in range(3))
    elif field == "prev":
        end = offs[i + 1]
        b[end - 4:end] = bytes(rnd.randrange(256) for _ in range(4))
    elif len(tags[i].data) > 0:
        b[pos + 11] = rnd.randrange(256)  # codec, frame type, sample format
    return bytes(b)


def shift_timestamps(rnd, data, _seeds):
    head, tags = tags_of(data)
    if not tags:
        return flip_bytes(rnd, data, _seeds)
    kind = rnd.choice([None, flvcraft.AUDIO, flvcraft.VIDEO])
    delta = rnd.choice([1 << 31, (1 << 32) - 1, -5000, 3600000, rnd.randrange(1 << 32)])
    if rnd.random() < 0.2:
        for t in tags:
            t.ts = rnd.choice([0, t.ts, rnd.randrange(1 << 32)])
        return flvcraft.build(head, tags)
    return flvcraft.build(head, flvcraft.shift(tags, kind, delta, rnd.random()))


def cut_tags(rnd, data, _seeds):
    head, tags = tags_of(data)
    if not tags:
        return data[:rnd.randrange(len(data) + 1)]
    i = rnd.randrange(len(tags))
    n = rnd.choice([1, 1, 2, 5, len(tags)])
    return flvcraft.build(head, tags[:i] + tags[i + n:])


def repeat_or_swap_tags(rnd, data, _seeds):
    head, tags = tags_of(data)
    if not tags:
        return flip_bytes(rnd, data, _seeds)
    i, j = rnd.randrange(len(tags)), rnd.randrange(len(tags))
    if rnd.random() < 0.5:
        tags = tags[:i] + [tags[j]] * rnd.choice([1, 2, 50]) + tags[i:]
    else:
        tags[i], tags[j] = tags[j], tags[i]
    return flvcraft.build(head, tags)


def splice(rnd, data, seeds):
    head, tags = tags_of(data)
    other_head, other = tags_of(rnd.choice(list(seeds.values())))
    if not tags or not other:
        return flip_bytes(rnd, data, seeds)
    i, j = rnd.randrange(len(tags)), rnd.randrange(len(other))
    return flvcraft.build(head, tags[:i] + other[j:j + rnd.randrange(1, 40)] + tags[i:])


def truncate(rnd, data, _seeds):
    head, tags = tags_of(data)
    if tags and rnd.random() < 0.5:
        offs = flvcraft.boundaries(head, tags)
        return data[:rnd.choice(offs) + rnd.choice([0, 0, 1, 11, 12])]
    return data[:rnd.randrange(len(data) + 1)]


def insert_garbage(rnd, data, _seeds):
    pos = rnd.randrange(len(data) + 1)
    junk = bytes(rnd.randrange(256) for _ in range(rnd.choice([1, 7, 64, 4096])))
    return data[:pos] + junk + data[pos:]


MUTATIONS = [flip_bytes, rewrite_header_field, shift_timestamps, cut_tags,
             repeat_or_swap_tags, splice, truncate, insert_garbage]


def mutate(rnd, seeds):
    name = rnd.choice(sorted(seeds))
    data = seeds[name]
    steps = []
    for _ in range(rnd.choice([1, 1, 2, 3, 5])):
        fn = rnd.choice(MUTATIONS)
        data = fn(rnd, data, seeds) or data
        steps.append(fn.__name__)
    return name, steps, data


# ---- running and judging -----------------------------------------------------------------

def lines(data):
    text = data.decode("utf-8", "replace").replace("\r\n", "\n").replace("\r", "\n")
    return (text[:-1] if text.endswith("\n") else text).split("\n") if text else []


def probe_kinds(path):
    """{codec_type: packet count} of a file as ffprobe reads it, and its duration in seconds
    ({} and None when it cannot be read)."""
    try:
        out = subprocess.run(["ffprobe", "-v", "quiet", "-of", "json", "-count_packets",
                              "-show_streams", "-show_format", path], capture_output=True,
                             timeout=60).stdout
        info = json.loads(out or b"{}")
    except (subprocess.TimeoutExpired, ValueError):
        return {}, None
    kinds = {}
    for st in info.get("streams", []):
        n = int(st.get("nb_read_packets", 0) or 0)
        if n:
            kinds[st["codec_type"]] = kinds.get(st["codec_type"], 0) + n
    duration = info.get("format", {}).get("duration")
    return kinds, float(duration) if duration not in (None, "N/A") else None


def run_one(coder, src, target):
    with tempfile.TemporaryFile() as log, tempfile.TemporaryFile() as out:
        run = limits.run_limited([coder, "-i", src, *WINDOW_LINE, target], ADDRESS_CAP,
                                 TIME_LIMIT, out, log)
        out.seek(0)
        log.seek(0)
        return run.returncode, run.timed_out, run.peak, out.read(), log.read()


def content_bound(source_kinds, seed_kinds):
    """The longest output that the source's packets can honestly make: the seed's length,
    stretched by as many more packets of a kind as the mutation added (repeats and splices
    are content too), and a second."""
    ratio = max([1.0] + [source_kinds.get(k, 0) / n for k, n in seed_kinds.items() if n])
    return SEED_SECONDS * ratio + 1.0


def judge(coder, work, index, seed, steps, data, seed_kinds, name=None):
    name = name or f"in{index}"
    src = os.path.join(work, name + ".flv")
    ext = ("avi", "wmv", "mp3")[index % 3]
    target = os.path.join(work, f"{name}.{ext}")
    with open(src, "wb") as f:
        f.write(data)
    code, killed, peak, stdout, stderr = run_one(coder, src, target)
    log = lines(stderr)
    problems = []
    if killed:
        problems.append(f"still running after {TIME_LIMIT} s")
    elif code < 0:
        problems.append(f"ended by signal {-code}")
    if peak > MEMORY_BOUND:
        problems.append(f"peak memory {peak >> 20} MiB")
    if stdout:
        problems.append("wrote to standard output")
    if not log:
        problems.append("wrote no log")
    elif [x for x in log[:-1] if x.startswith("video")]:
        problems.append("a line beginning with 'video' before the last")
    success = bool(log) and log[-1].startswith("video")
    if success:
        target_kinds, duration = probe_kinds(target)
        wanted = {"audio"} if ext == "mp3" else {"audio", "video"}
        # The source is read only when the target alone does not settle it: a target with
        # every kind asked for, no longer than the shortest bound, passes whatever the source
        # holds (ffprobe's start-up is most of what a try costs).
        if wanted <= set(target_kinds) and duration is not None and \
                duration <= content_bound({}, seed_kinds):
            source_kinds = {}
        else:
            source_kinds, _ = probe_kinds(src)
        missing = (wanted & set(source_kinds)) - set(target_kinds)
        if missing:
            problems.append("success without " + ", ".join(sorted(missing)))
        bound = content_bound(source_kinds, seed_kinds)
        if duration is None or duration > bound:
            problems.append(f"output lasts {duration} s, more than {bound:.1f} s")
        if code != 0:
            problems.append(f"success line but exit status {code}")
    elif not killed and os.path.exists(target):
        problems.append("a failure left its target")
    finding = None
    if problems:
        finding = {"index": index, "seed": seed, "steps": steps, "format": ext,
                   "problems": problems, "last_line": log[-1] if log else "", "src": src}
    else:
        os.unlink(src)
    if os.path.exists(target):
        os.unlink(target)
    return finding


def regressions(folder):
    """The inputs kept from earlier runs (see --keep), with the seed and the format they had."""
    if not folder:
        return []
    with open(os.path.join(folder, "findings.json")) as f:
        past = json.load(f)
    for finding in past:
        finding["file"] = os.path.basename(finding["src"])
        with open(os.path.join(folder, finding["file"]), "rb") as f:
            finding["data"] = f.read()
    return past


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("coder")
    ap.add_argument("--seconds", type=float, default=60)
    ap.add_argument("--count", type=int, default=None,
                    help="try exactly this many inputs, whatever the time")
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--keep", default=None, help="folder for the inputs that found something")
    ap.add_argument("--regressions", default=None,
                    help="a folder of earlier findings to try again first")
    args = ap.parse_args()
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    coder = os.path.abspath(args.coder)
    work = tempfile.mkdtemp(prefix="coder-fuzz-")
    seeds = make_seeds(work)
    seed_kinds = {name: probe_kinds(os.path.join(work, name + ".flv"))[0] for name in seeds}
    rnd = random.Random(seed)
    start = time.monotonic()
    deadline = start + args.seconds

    def more(index):
        return index < args.count if args.count is not None else time.monotonic() < deadline

    tried, findings, index = 0, [], 0
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        running = set()
        for past in regressions(args.regressions):
            running.add(pool.submit(judge, coder, work, past["index"], past["seed"],
                                    ["again: " + past["file"]], past["data"],
                                    seed_kinds[past["seed"]], "past-" + past["file"][:-4]))
        while more(index) or running:
            while more(index) and len(running) < args.jobs * 2:
                name, steps, data = mutate(rnd, seeds)
                running.add(pool.submit(judge, coder, work, index, name, steps, data,
                                        seed_kinds[name]))
                index += 1
            done, running = concurrent.futures.wait(
                running, return_when=concurrent.futures.FIRST_COMPLETED)
            for fut in done:
                tried += 1
                finding = fut.result()
                if finding:
                    findings.append(finding)
                    print("FOUND", json.dumps(finding, ensure_ascii=False), flush=True)
    print(f"fuzz seed {seed}: tried {tried} inputs in {time.monotonic() - start:.0f} s, "
          f"{len(findings)} findings")
    keep = args.keep or (os.path.join(tempfile.gettempdir(), f"coder-fuzz-findings-{seed}")
                         if findings else None)
    if keep and findings:
        os.makedirs(keep, exist_ok=True)
        for f in findings:
            shutil.copy(f["src"], keep)
        with open(os.path.join(keep, "findings.json"), "w") as out:
            json.dump(findings, out, indent=1, ensure_ascii=False)
        print("inputs kept in", keep)
    shutil.rmtree(work, ignore_errors=True)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
