// SPDX-License-Identifier: GPL-3.0-or-later
// Video encoding on two cores for an encoder without threads of its own (WMV's). The pictures
// go in groups, each beginning with a key picture, to two encoders in turn: a group depends on
// nothing before it, so the groups of the two encoders interleave into one valid stream. Each
// encoder counts time over its own pictures only, so that its rate control spends the bit rate
// of the time it encodes.
//
// Raising the frame rate repeats pictures. Where a repeat may close a group, it is not encoded
// at all but written as a picture of skipped macroblocks (RepeatedPicture.h); groups then end
// at a repeat near their usual length.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "Av.h"

namespace coder {

class ParallelVideo {
  public:
    using Writer = std::function<void(AVPacket*)>;

    // `model`: an open encoder that takes no timestamps into its bit stream and puts out each
    // picture's packet at once; it encodes the even groups, and a copy of its settings the odd
    // ones. `groupFrames`: the usual pictures per group. `skipped`: the packet of a picture
    // that shows the one before again, or empty. `write` gets the packets in order, on either
    // encoder's thread, one thread at a time.
    ParallelVideo(AVCodecContext* model, int groupFrames, std::vector<uint8_t> skipped,
                  Writer write);
    ~ParallelVideo();  // stops the encoders without writing anything more

    // The next picture, with its pts in the encoder's time base.
    void send(const AVFrame* frame);
    // Encodes and writes the rest; throws Failure.
    void finish();

  private:
    struct Lane;
    struct Picture;
    void deliver(int64_t group, std::vector<PacketPtr> packets);

    const int group_;
    const std::vector<uint8_t> skipped_;
    Writer write_;
    std::unique_ptr<Lane> lanes_[2];
    FramePtr last_;       // the picture sent last
    int64_t groups_ = 0;  // groups begun
    int inGroup_ = 0;     // pictures of the current group so far
    std::mutex order_;    // the three below
    std::map<int64_t, std::vector<PacketPtr>> waiting_;
    int64_t nextGroup_ = 0;
    bool writing_ = false;  // a lane is writing the groups that are due
};

}  // namespace coder
