# SPDX-License-Identifier: GPL-3.0-or-later
"""Reading and rewriting the tags of a Flash video file, to craft hostile sources.

A file is its 9-byte header, a 4-byte zero, then tags: type (8 audio, 9 video, 18 script
data), 24-bit data size, 24-bit timestamp in ms with an 8-bit extension holding bits 24-31,
24-bit stream id, the data, and the 32-bit size of the tag just ended.
"""
import struct

AUDIO, VIDEO, SCRIPT = 8, 9, 18


class Tag:
    def __init__(self, kind, ts, data, stream_id=0):
        self.kind, self.ts, self.data, self.stream_id = kind, ts, data, stream_id

    def header(self, size=None):
        size = len(self.data) if size is None else size
        ts = self.ts & 0xFFFFFFFF
        return (bytes([self.kind]) + struct.pack(">I", size)[1:] +
                struct.pack(">I", ts & 0xFFFFFF)[1:] + bytes([ts >> 24]) +
                struct.pack(">I", self.stream_id)[1:])

    def encode(self):
        head = self.header()
        return head + self.data + struct.pack(">I", len(head) + len(self.data))


def parse(data):
    """(file header with its trailing zero, [Tag]); stops at the first incomplete tag."""
    if data[:3] != b"FLV":
        raise ValueError("not an FLV file")
    start = struct.unpack(">I", data[5:9])[0]
    head, pos, tags = data[:start + 4], start + 4, []
    while pos + 11 <= len(data):
        kind = data[pos] & 0x1F
        size = struct.unpack(">I", b"\0" + data[pos + 1:pos + 4])[0]
        ts = struct.unpack(">I", b"\0" + data[pos + 4:pos + 7])[0] | data[pos + 7] << 24
        sid = struct.unpack(">I", b"\0" + data[pos + 8:pos + 11])[0]
        if pos + 11 + size + 4 > len(data):
            break
        tags.append(Tag(kind, ts, data[pos + 11:pos + 11 + size], sid))
        pos += 11 + size + 4
    return head, tags


def build(head, tags):
    return head + b"".join(t.encode() for t in tags)


def boundaries(head, tags):
    """Byte offsets at which each tag starts, and the end of the file."""
    offs, pos = [], len(head)
    for t in tags:
        offs.append(pos)
        pos += 11 + len(t.data) + 4
    return offs + [pos]


def shift(tags, kind, delta_ms, from_fraction=0.5):
    """Adds delta_ms to the timestamps of the later part of one kind of tag (any kind: None)."""
    chosen = [t for t in tags if kind is None or t.kind == kind]
    for t in chosen[int(len(chosen) * from_fraction):]:
        t.ts = (t.ts + delta_ms) & 0xFFFFFFFF
    return tags


def read_tags(path):
    with open(path, "rb") as f:
        return parse(f.read())


def write_tags(path, head, tags):
    with open(path, "wb") as f:
        f.write(build(head, tags))
    return path
