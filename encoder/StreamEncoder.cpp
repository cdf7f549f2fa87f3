// SPDX-License-Identifier: GPL-3.0-or-later
#include "StreamEncoder.h"

namespace coder {

StreamEncoder::StreamEncoder(bool video, Output& output, AVRational sourceTimeBase)
    : video_(video),
      out_(output),
      sourceTb_(sourceTimeBase),
      encoderTb_(output.timeBase(video)),
      vshape_(output.videoShape()),
      ashape_(output.audioShape()),
      filtered_(newFrame()) {}

void StreamEncoder::run(FrameQueue& queue) {
    FramePtr frame;
    while (queue.pop(frame)) {
        filter(frame.get());
        frame.reset();
    }
    if (queue.closed()) {
        return;
    }
    if (chain_.built()) {
        chain_.push(nullptr);
        drain();
    }
    out_.encode(video_, nullptr);
}

void StreamEncoder::filter(AVFrame* frame) {
    if (chain_.needsRebuild(frame, video_ && vshape_.deinterlace)) {
        if (video_) {
            if (chain_.built()) {
                chain_.push(nullptr);
                drain();
            }
            chain_.buildVideo(frame, sourceTb_, vshape_, firstChain_);
        } else {
            chain_.buildAudio(frame, sourceTb_, ashape_, firstChain_);
        }
        firstChain_ = false;
    }
    chain_.push(frame);
    drain();
}

void StreamEncoder::drain() {
    for (;;) {
        if (chain_.pull(filtered_.get()) < 0) {
            return;
        }
        if (filtered_->pts != AV_NOPTS_VALUE) {
            filtered_->pts = av_rescale_q(filtered_->pts, chain_.outputTimeBase(), encoderTb_);
        }
        out_.encode(video_, filtered_.get());
        av_frame_unref(filtered_.get());
    }
}

}  // namespace coder
