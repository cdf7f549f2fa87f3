#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What coder.dll makes of the end-to-end tests' sources, for comparing two builds (one on
each Debian release, say) on the very same source files.

  equivalence.py sources DIR           makes the sources in DIR with the ffmpeg command
  equivalence.py convert CODER DIR     converts them into AVI, WMV and MP3; prints a table
                                       (tab-separated) that it also keeps as DIR/CODER-NAME.tsv
  equivalence.py compare A.tsv B.tsv   the two tables side by side, with what differs

Columns: container, codecs, video and audio packets, duration, size, and the video pictures
actually encoded (packets of more than a few bytes: a repeated picture is written as a
not-coded or wholly skipped one of a few bytes).
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "encoder"))
import test_coder  # noqa: E402

REPEAT_BYTES = 16  # a not-coded MPEG-4 or skipped WMV picture is smaller than this
FIELDS = ["container", "codecs", "video_packets", "encoded_pictures", "audio_packets",
          "duration", "bytes"]


def sources(folder):
    os.makedirs(folder, exist_ok=True)
    for name, (v, a) in test_coder.Formats.SOURCES.items():
        test_coder.make_source(os.path.join(folder, name + ".flv"), 3, (test_coder.TESTSRC, v),
                               (test_coder.SINE, a))
    # Longer, at the frame rate that most Flash video has: every sixth picture is a repeat.
    test_coder.make_source(os.path.join(folder, "long_flv1_mp3.flv"), 20,
                           (test_coder.TESTSRC, ["-c:v", "flv", "-b:v", "400k"]),
                           (test_coder.SINE, ["-c:a", "libmp3lame", "-ar", "22050", "-ac", "1"]))


def measure(path):
    info = test_coder.probe(path)
    out = subprocess.run(["ffprobe", "-v", "error", "-of", "csv=p=0", "-show_entries",
                          "packet=stream_index,size", path], check=True, capture_output=True,
                         text=True).stdout
    kinds = {s["index"]: s["codec_type"] for s in info["streams"]}
    counts = {"video": 0, "audio": 0, "encoded": 0}
    for line in out.splitlines():
        idx, size = (line.split(",") + [""])[:2]
        if not idx or not size:
            continue
        kind = kinds[int(idx)]
        counts[kind] += 1
        if kind == "video" and int(size) > REPEAT_BYTES:
            counts["encoded"] += 1
    return {"container": info["format"]["format_name"],
            "codecs": "+".join(s["codec_name"] for s in info["streams"]),
            "video_packets": counts["video"], "encoded_pictures": counts["encoded"],
            "audio_packets": counts["audio"],
            "duration": "%.3f" % float(info["format"]["duration"]),
            "bytes": os.path.getsize(path)}


def convert(coder, folder):
    test_coder.CODER = os.path.abspath(coder)
    rows = []
    for name in sorted(f[:-4] for f in os.listdir(folder) if f.endswith(".flv")):
        for ext in ("avi", "wmv", "mp3"):
            target = os.path.join(folder, "out", f"{name}.{ext}")
            os.makedirs(os.path.dirname(target), exist_ok=True)
            proc = test_coder.run_coder("-i", os.path.join(folder, name + ".flv"),
                                        *test_coder.WINDOW_LINE, target)
            if proc.returncode != 0:
                sys.exit(f"{name}.{ext}: {proc.stderr.decode(errors='replace')[-500:]}")
            row = measure(target)
            rows.append("\t".join([f"{name}.{ext}"] + [str(row[f]) for f in FIELDS]))
    table = "\t".join(["target"] + FIELDS) + "\n" + "\n".join(rows) + "\n"
    with open(os.path.join(folder, os.path.basename(coder) + ".tsv"), "w") as f:
        f.write(table)
    sys.stdout.write(table)


def compare(a_path, b_path):
    def load(path):
        with open(path) as f:
            lines = [line.rstrip("\n").split("\t") for line in f if line.strip()]
        return {r[0]: dict(zip(lines[0][1:], r[1:])) for r in lines[1:]}

    a, b = load(a_path), load(b_path)
    print("| target | container | codecs | video packets | encoded pictures | audio packets | "
          "duration s | bytes A | bytes B | size B/A | differs |")
    print("|---|---|---|---|---|---|---|---|---|---|---|")
    worst = 0.0
    for target in sorted(set(a) | set(b)):
        x, y = a.get(target), b.get(target)
        if not x or not y:
            print(f"| {target} | only in {'A' if x else 'B'} |")
            continue
        both = lambda f: x[f] if x[f] == y[f] else f"{x[f]} / {y[f]}"  # noqa: E731
        ratio = int(y["bytes"]) / int(x["bytes"])
        worst = max(worst, abs(ratio - 1))
        differs = [f for f in FIELDS if f != "bytes" and x[f] != y[f]]
        print(f"| {target} | {both('container')} | {both('codecs')} | {both('video_packets')} | "
              f"{both('encoded_pictures')} | {both('audio_packets')} | {both('duration')} | "
              f"{x['bytes']} | {y['bytes']} | {ratio:.4f} | {', '.join(differs) or '-'} |")
    print(f"\nlargest size difference: {100 * worst:.2f} %")


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "sources":
        sources(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "convert":
        convert(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 4 and sys.argv[1] == "compare":
        compare(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
