// SPDX-License-Identifier: GPL-3.0-or-later
// The audio's way from the decoder to the encoder: resampled to the output's rate, mapped to
// its channels, converted to its sample format and cut into frames of the encoder's size.
// Timestamps rule: a gap between decoded frames becomes silence and an overlap is dropped,
// so that the audio stays in step with the video also in containers that keep no audio
// timestamps.
#pragma once

#include <memory>

#include "Av.h"
#include "Filters.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

namespace coder {

class AudioResampler {
  public:
    // `first`: the stream's first resampler, which starts its output at time 0 (silence up
    // to the first sample). Throws Failure when the conversion cannot be set up.
    AudioResampler(const AVFrame* f, AVRational inTb, const AudioShape& out, bool first);

    void push(const AVFrame* f);  // nullptr ends the input
    int pull(AVFrame* f);         // 0, AVERROR(EAGAIN) or AVERROR_EOF
    AVRational outputTimeBase() const { return {1, out_.sampleRate}; }

  private:
    struct SwrDeleter {
        void operator()(SwrContext* s) const { swr_free(&s); }
    };
    struct FifoDeleter {
        void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
    };
    void convert(const AVFrame* f);

    const AVRational inTb_;
    const int inRate_;
    const AudioShape out_;
    std::unique_ptr<SwrContext, SwrDeleter> swr_;
    std::unique_ptr<AVAudioFifo, FifoDeleter> fifo_;  // converted, not yet pulled
    FramePtr scratch_;                                // what one conversion gives
    int64_t fifoPts_ = AV_NOPTS_VALUE;                // of the fifo's first sample
    bool ended_ = false;
};

}  // namespace coder
