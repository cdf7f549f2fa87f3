# SPDX-License-Identifier: GPL-3.0-or-later
"""Sources with the traits of live-stream recordings, made with the ffmpeg command.

Stream recorders save H.264 + AAC for hours. Their audio changes rate or channels when the
streamer changes settings, their timestamps restart at 0 or leap ahead when the connection
drops and comes back, they are written as a stream (metadata duration 0, no keyframe index),
and newer ones carry HEVC in the enhanced form of the format. Each function makes one such
source in `folder` and returns its path.
"""
import os
import subprocess

import flvcraft

H264 = ["-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-g", "50"]
FLV1 = ["-c:v", "flv"]


def ffmpeg(*args, stdout=None, stderr=None):
    subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-y", *args], check=True, stdout=stdout,
                   stderr=stderr)


def segment(path, seconds, rate=44100, channels=2, video=H264, audio="aac", tone=440,
            size="160x120", fps=25):
    """One recording: a test card and a tone."""
    ffmpeg("-f", "lavfi", "-i", f"testsrc=size={size}:rate={fps}", "-f", "lavfi", "-i",
           f"sine=frequency={tone}:sample_rate={rate}", "-t", str(seconds), *video,
           "-c:a", audio, "-ar", str(rate), "-ac", str(channels), path)
    return path


def joined(path, first, second, offset_ms, keep_metadata=False):
    """`second`'s tags after `first`'s, their timestamps moved by offset_ms; its script tag
    (the metadata a recorder writes at a reconnect) is kept only when asked."""
    head, tags = flvcraft.read_tags(first)
    _, more = flvcraft.read_tags(second)
    for t in more:
        t.ts = (t.ts + offset_ms) & 0xFFFFFFFF
    more = [t for t in more if keep_metadata or t.kind != flvcraft.SCRIPT]
    return flvcraft.write_tags(path, head, tags + more)


def _halves(folder, name, seconds, second_shape, **shape):
    a = segment(os.path.join(folder, name + "_a.flv"), seconds, **shape)
    b = segment(os.path.join(folder, name + "_b.flv"), seconds, tone=660,
                **{**shape, **second_shape})
    return a, b


def audio_end_ms(path):
    """Where the audio of a file ends by its tags' timestamps."""
    stamps = [t.ts for t in flvcraft.read_tags(path)[1] if t.kind == flvcraft.AUDIO]
    return stamps[-1] + stamps[-1] - stamps[-2]


def audio_change(folder, audio="aac", seconds=3):
    """The audio goes from 44100 Hz stereo to 22050 Hz mono halfway, going on where the first
    half's audio ends. Returns the source and its first half."""
    video = H264 if audio == "aac" else FLV1
    name = f"change_{audio}"
    a, b = _halves(folder, name, seconds, {"rate": 22050, "channels": 1}, audio=audio,
                   video=video)
    return joined(os.path.join(folder, name + ".flv"), a, b, audio_end_ms(a)), a


def reconnect(folder, seconds=3):
    """A second recording appended after a reconnect: its timestamps restart at 0, with new
    metadata and new codec headers."""
    a, b = _halves(folder, "reconnect", seconds, {})
    return joined(os.path.join(folder, "reconnect.flv"), a, b, 0, keep_metadata=True)


def leap(folder, seconds=3, minutes=5):
    """The connection drops and comes back minutes later: the timestamps leap ahead."""
    a, b = _halves(folder, "leap", seconds, {})
    return joined(os.path.join(folder, "leap.flv"), a, b, seconds * 1000 + minutes * 60000)


def streamed(folder, seconds=3, name="streamed"):
    """Written as a stream: metadata duration 0, file size 0, no keyframe index."""
    path = os.path.join(folder, name + ".flv")
    with open(path, "wb") as out:
        ffmpeg("-f", "lavfi", "-i", "testsrc=size=160x120:rate=25", "-f", "lavfi", "-i",
               "sine=frequency=440:sample_rate=44100", "-t", str(seconds), *H264, "-c:a", "aac",
               "-f", "flv", "pipe:1", stdout=out)
    return zero_duration(path)


def zero_duration(path):
    """Sets the metadata's duration to 0, as recorders that cannot seek back leave it."""
    with open(path, "r+b") as f:
        head = f.read(1024)
        at = head.find(b"\x08duration\x00")
        if at >= 0:
            f.seek(at + 10)
            f.write(bytes(8))
    return path


def long_recording(folder, seconds, name="long"):
    """Hours of H.264 + AAC made quickly: a small picture at 2 frames a second and mono AAC
    at 8000 Hz, written as a stream."""
    path = os.path.join(folder, f"{name}.flv")
    with open(path, "wb") as out:
        ffmpeg("-f", "lavfi", "-i", "testsrc=size=64x48:rate=2", "-f", "lavfi", "-i",
               "sine=frequency=440:sample_rate=8000", "-t", str(seconds), "-c:v", "libx264",
               "-preset", "ultrafast", "-g", "600", "-c:a", "aac", "-ac", "1", "-b:a", "16k",
               "-f", "flv", "pipe:1", stdout=out)
    return zero_duration(path)


def enhanced_hevc(folder, seconds=2):
    """HEVC in the enhanced form of the format, or None where the ffmpeg command cannot write
    it (before FFmpeg 6.1)."""
    path = os.path.join(folder, "hevc.flv")
    try:
        ffmpeg("-f", "lavfi", "-i", "testsrc=size=160x120:rate=25", "-f", "lavfi", "-i",
               "sine=frequency=440:sample_rate=44100", "-t", str(seconds), "-c:v", "libx265",
               "-preset", "ultrafast", "-x265-params", "log-level=error", "-c:a", "aac", path,
               stderr=subprocess.DEVNULL)
    except subprocess.CalledProcessError:
        return None
    return path
