// SPDX-License-Identifier: GPL-3.0-or-later
// Joining two encodings of the same audio into one seamless MP3 stream.
//
// An MP3 frame's audio data need not sit in the frame itself: it may begin up to 511 bytes
// earlier, in room that earlier frames left unused (the bit reservoir); `main_data_begin` in
// the frame's side information says how far back. Two encoders that started at different
// places write the same audio, but their frames lean on different reservoirs, so frames of
// one cannot simply follow frames of the other. The join below lets the second encoding take
// over at a frame whose data begins no earlier than the room the first encoding left free, and
// moves that data into the free room: every frame then decodes exactly as in its own encoding.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "Av.h"

namespace coder::mp3 {

// What a join needs to know of one Layer III frame.
struct FrameLayout {
    int size = 0;           // the whole frame, in bytes
    int dataStart = 0;      // where the frame's own data room begins (after header and side info)
    int mainDataBegin = 0;  // bytes before that room where the frame's audio data begins
    int mainDataBytes = 0;  // length of the frame's audio data (whole bytes)
    bool longStart = true;  // the first granule of every channel is a plain long block
    bool longEnd = true;    // the last granule of every channel is a plain long block
    int growth = 0;         // bytes the frame gains at the highest bit rate (0 with a CRC)
    int dataRoom() const { return size - dataStart; }
};

// The layout of the Layer III frame at the start of `data`; nullopt when it is not one.
std::optional<FrameLayout> parseFrame(const uint8_t* data, int size);

// The frames of one encoder, one frame a packet, and the number (counted over the whole
// stream) of the first.
struct EncodedRun {
    int64_t first = 0;
    std::vector<PacketPtr> frames;
    int64_t end() const { return first + int64_t(frames.size()); }
};

// How strict a join is.
enum class Fit {
    Exact,        // the two encodings' windows meet as in a single encoding, and the reservoir
                  // that b's frame reads fits into the room that a's frames leave free
    AnyBlocks,    // the same, but the windows may be of different kinds
    GrowingLast,  // the room is made by raising the bit rate of a's last frame
};

// The frame number in [from, to) at which `b` can best take over from `a` with `fit`: the
// one where b's reservoir comes nearest to a's. nullopt when there is none.
std::optional<int64_t> findJoin(const EncodedRun& a, const EncodedRun& b, int64_t from, int64_t to,
                                Fit fit);

// Makes a's frames before `at` ready to be followed by b's frames from `at` on: copies the
// reservoir bytes that b's frame `at` reads into the free room at the end of a's frames,
// raising the bit rate of a's last frame when that room is too small. `at` must come from
// findJoin().
void join(EncodedRun& a, const EncodedRun& b, int64_t at);

}  // namespace coder::mp3
