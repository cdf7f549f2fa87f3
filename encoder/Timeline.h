// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the timestamps of the source's packets to the content they carry.
//
// Live recordings and spliced files carry resets and jumps: a stream's timestamps may leap
// hours ahead, step back, wrap around or stay at zero. Taken at their word, a leap ahead
// makes the frame-rate filter repeat a picture (or the resampler insert silence) for the
// whole gap, hours of output from seconds of content, and a step back makes the content
// after it look old, so that it is dropped. Here a step back, and a leap ahead that no other
// stream fills, is a discontinuity: the stream's later timestamps are moved so that it goes
// on where its content left off. A stream that starts far from the others joins them.
// A gap that other streams fill is content (this stream paused); gaps that take the
// timeline past where any stream has been are content only up to a small budget.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace coder {

class Timeline {
  public:
    // Follows the streams with the given indexes (those below 0 are ignored); the packets
    // of other streams are left as they are.
    Timeline(const AVFormatContext& fmt, std::vector<int> streams);

    // Moves the packet's pts and dts onto the continuous timeline, which starts at 0.
    void rebase(AVPacket& pkt);

    // The decoded content of the stream's latest packet ends at `end` (in the stream's time
    // base, on the timeline). Audio packets seldom say how long they are, and until a
    // stream's spacing has been seen its length is a guess; the decoder knows. Taken up to a
    // second past the packet, so that a damaged packet decoding to seconds cannot make its
    // stream seem to reach further.
    void contentEnds(int index, int64_t end);

    // How many discontinuities were bridged so far.
    int discontinuities() const { return discontinuities_; }

  private:
    struct Track {
        int index = -1;
        AVRational tb{1, 1000};
        int64_t offset = 0;               // added to the source's timestamps, in tb
        int64_t last = AV_NOPTS_VALUE;    // moved dts of the latest packet, in tb
        int64_t end = 0;                  // where the latest packet's content ends, in tb
        int64_t endUs = 0;                // the same in microseconds
        int64_t step = 0;                 // usual distance between packets, in tb
        std::array<int64_t, 8> recent{};  // the latest distances, which step is learnt from
        size_t next = 0;
        bool learnt = false;  // step has been seen between the stream's own packets
        void learn(int64_t delta);
        bool audio = false;
    };

    Track* find(int index);
    int64_t latestEndUs(const Track& except) const;
    int64_t bridge(const Track& t) const;

    std::vector<Track> tracks_;
    int64_t budgetUs_;  // how much time gaps may still add beyond where any stream has been
    int discontinuities_ = 0;
};

}  // namespace coder
