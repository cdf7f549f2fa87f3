// SPDX-License-Identifier: GPL-3.0-or-later
// The work of one output stream, on a thread of its own: the decoded frames of the source are
// filtered into the output's shape and encoded into the target.
#pragma once

#include "Av.h"
#include "Filters.h"
#include "FrameQueue.h"
#include "Output.h"

namespace coder {

class StreamEncoder {
  public:
    // Takes a copy of the stream's shape and time bases; `sourceTimeBase` is that of the
    // decoded frames' pts.
    StreamEncoder(bool video, Output& output, AVRational sourceTimeBase);

    // Filters and encodes everything `queue` delivers, then drains the filters and the
    // encoder; throws Failure. When the queue was closed, nothing is drained.
    void run(FrameQueue& queue);

  private:
    void filter(AVFrame* frame);
    void drain();

    const bool video_;
    Output& out_;
    const AVRational sourceTb_;
    const AVRational encoderTb_;
    const VideoShape vshape_;
    const AudioShape ashape_;
    FilterChain chain_;
    bool firstChain_ = true;
    FramePtr filtered_;
};

}  // namespace coder
