#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Where coder.dll's instructions go, per stage and per thread, from a callgrind profile.

    valgrind --tool=callgrind --separate-threads=yes --callgrind-out-file=/tmp/cg \\
        build/bin/coder.dll -i source.flv ... target.avi
    bench/encoder/profile_stages.py /tmp/cg-*

Instruction counts do not depend on the machine's load. The stages are told apart by the
library entry points they go through (the libraries carry no internal symbols); the video
encoder's slice threads, if any, count as video encoding.
"""
import re
import subprocess
import sys


def inclusive(path):
    text = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--threshold=100", path],
                          capture_output=True, text=True, check=True).stdout
    costs = {}
    for line in text.splitlines():
        m = re.match(r"\s*([\d,]+) \([ \d.]+%\)\s+\S+?:(\S+)\s", line + " ")
        if m:
            costs[m.group(2)] = costs.get(m.group(2), 0) + int(m.group(1).replace(",", ""))
    total = re.search(r"([\d,]+) \([ \d.]+%\)\s+PROGRAM TOTALS", text)
    return costs, int(total.group(1).replace(",", "")) if total else 0


def main():
    files = sys.argv[1:]
    costs, total = {}, 0
    print("per thread:")
    for path in files:
        c, t = inclusive(path)
        if t == 0:
            continue
        print(f"  {path:40} {t / 1e6:8.0f} M")
        total += t
        for k, v in c.items():
            costs[k] = costs.get(k, 0) + v
    get = lambda *names: sum(costs.get(n, 0) for n in names)
    starting = lambda *prefixes: sum(v for k, v in costs.items() if k.startswith(prefixes))
    lame = get("lame_encode_buffer_float", "lame_encode_flush")
    swr, sws = get("swr_convert"), get("sws_scale_frame")
    # The audio goes through the resampler directly or, in older builds, through the filter
    # library; the resampler's own work counts as resampling either way.
    own_audio = starting("coder::AudioResampler::push", "coder::AudioResampler::pull")
    swr_in_filters = max(0, swr - own_audio)
    stages = {
        "start-up (loader, probe, set-up)": get("_dl_start", "_dl_init", "avformat_open_input",
                                                "avformat_find_stream_info", "avcodec_open2",
                                                "avformat_write_header"),
        "demux": get("av_read_frame"),
        "decode": get("avcodec_send_packet", "avcodec_receive_frame"),
        "scale": sws,
        "resample": swr,
        "fps and other filters": get("av_buffersink_get_frame_flags",
                                     "av_buffersrc_add_frame_flags") - swr_in_filters - sws +
                                 max(0, own_audio - swr),
        # the slice worker of Debian 12's libavutil, entered from no public function
        "video encode": get("avcodec_send_frame", "avcodec_receive_packet") - lame +
                        get("0x0000000000071440"),
        "audio encode (lame)": lame,
        "mux": get("av_interleaved_write_frame", "av_write_trailer"),
    }
    print("per stage:")
    for name, value in stages.items():
        print(f"  {name:40} {value / 1e6:8.0f} M {100 * value / total:6.1f} %")
    print(f"  {'total':40} {total / 1e6:8.0f} M")


if __name__ == "__main__":
    main()
