// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps decoded audio within the time its timestamps give it.
//
// A damaged audio packet can decode to far more samples than the time until the next packet:
// a tag whose size swallows the tags after it, or a header that claims a long block, gives
// seconds of noise. The encoders append samples whatever their timestamps, so each extra
// second would lengthen the output. Here every decoded frame waits for the next one, and if
// it runs on past the next one's start by more than a tolerance, it is cut to end there.
// Smaller overlaps are left alone: the timestamps of flash video are whole milliseconds, so
// ordinary frames overlap the next by up to one, and recorders stamp packets with some
// jitter. Below a tenth of a second the resampler takes a frame's timestamp as jitter too and
// keeps every sample, so clean and jittery sources pass untouched and nothing clicks.
#pragma once

#include <array>
#include <cstdint>

#include "Av.h"

namespace coder {

class AudioOverlap {
  public:
    // Overlaps up to this much are left as they are.
    static constexpr int64_t kToleranceUs = 100000;

    // `timeBase` is that of the frames' pts.
    explicit AudioOverlap(AVRational timeBase) : tb_(timeBase) {}

    // Takes the next decoded frame, whose pts must be set, and gives back the frame before it,
    // cut to end where `frame` begins if it runs on past that by more than the tolerance;
    // nullptr for the first frame.
    FramePtr next(FramePtr frame);

    // The frame still held at the end of the stream. Nothing follows it that could say where
    // it ends, so it is cut to the longest of the latest frames' lengths if it is longer by
    // more than the tolerance; a damaged last packet would otherwise be unbounded. nullptr
    // when nothing is held.
    FramePtr last();

    // Microseconds of audio cut so far.
    int64_t cutUs() const { return cutUs_; }

  private:
    void cut(AVFrame& f, int64_t allowedUs);
    void remember(const AVFrame& f);

    const AVRational tb_;
    FramePtr held_;
    std::array<int64_t, 8> recentUs_{};  // lengths of the latest frames given out
    size_t nextRecent_ = 0;
    int64_t cutUs_ = 0;
};

}  // namespace coder
