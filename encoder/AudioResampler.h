// SPDX-License-Identifier: GPL-3.0-or-later
// The audio's way from the decoder to the encoder: resampled to the output's rate, mapped to
// its channels, converted to its sample format and cut into frames of the encoder's size.
// Timestamps rule: a gap between decoded frames becomes silence and an overlap is dropped,
// so that the audio stays in step with the video also in containers that keep no audio
// timestamps. When the source's rate, sample format or channels change midstream, only the
// conversion is set up anew: the samples not yet cut into a frame carry over, so every frame
// but the last keeps the encoder's size (encoders take a short frame only as the last) and
// the new audio goes on where the old one ended.
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

    // Converts from `f`'s shape from here on; what came before goes out first, and the new
    // audio starts where it ends. Throws Failure as the constructor does.
    void reshape(const AVFrame* f);

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
    // `firstPts`: where the output starts, in samples of the output's rate, or
    // AV_NOPTS_VALUE for where the first frame's timestamp says.
    void open(const AVFrame* f, int64_t firstPts);
    void convert(const AVFrame* f);

    const AVRational inTb_;
    int inRate_ = 0;
    const AudioShape out_;
    std::unique_ptr<SwrContext, SwrDeleter> swr_;
    std::unique_ptr<AVAudioFifo, FifoDeleter> fifo_;  // converted, not yet pulled
    FramePtr scratch_;                                // what one conversion gives
    int64_t fifoPts_ = AV_NOPTS_VALUE;                // of the fifo's first sample
    bool ended_ = false;
};

}  // namespace coder
