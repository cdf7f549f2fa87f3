// SPDX-License-Identifier: GPL-3.0-or-later
// The filter chains between a decoder and an encoder. A chain is built for the first
// decoded frame and built again when the frames change size or format midstream. Video goes
// through a graph of the filter library; audio through the resampler alone (AudioResampler.h).
#pragma once

#include <memory>
#include <string>

#include "Av.h"

extern "C" {
#include <libavfilter/avfilter.h>
}

namespace coder {

struct VideoShape {
    int width = 0;
    int height = 0;
    AVRational rate{0, 1};        // constant output frame rate
    bool deinterlace = false;     // deinterlace the frames that are interlaced
    AVRational sourceRate{0, 1};  // the source's own rate, if known
};

struct AudioShape {
    int sampleRate = 0;
    int channels = 0;
    AVSampleFormat format = AV_SAMPLE_FMT_NONE;
    int frameSize = 0;  // 0: the encoder takes any number of samples
};

class AudioResampler;

class FilterChain {
  public:
    FilterChain();
    ~FilterChain();

    // True when no chain exists yet or `f` differs from what the chain was built for. A
    // video chain gets its deinterlacer with the first interlaced frame, so that progressive
    // sources do not pay for it.
    bool needsRebuild(const AVFrame* f, bool deinterlace = false) const;

    // `first` is the first chain of this stream: it pads the start to time 0. An audio chain
    // that exists is reshaped, not ended: its unfinished frame carries over.
    void buildVideo(const AVFrame* f, AVRational inTb, const VideoShape& out, bool first);
    void buildAudio(const AVFrame* f, AVRational inTb, const AudioShape& out, bool first);

    bool built() const { return graph_ != nullptr || audio_ != nullptr; }
    void push(AVFrame* f);  // takes the frame's data; nullptr ends the input
    int pull(AVFrame* f);   // 0, AVERROR(EAGAIN) or AVERROR_EOF
    AVRational outputTimeBase() const;
    void reset();

    // The frame's channel layout, or the usual one for its channel count when it has none.
    static AVChannelLayout layoutOf(const AVFrame* f);

  private:
    struct GraphDeleter {
        void operator()(AVFilterGraph* g) const;
    };

    void build(const std::string& srcArgs, const char* srcName, const char* sinkName,
               const std::string& chain);

    std::unique_ptr<AVFilterGraph, GraphDeleter> graph_;
    std::unique_ptr<AudioResampler> audio_;
    AVFilterContext* src_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    int64_t end_ = AV_NOPTS_VALUE;  // where the last picture given ends
    bool video_ = false;
    bool yadif_ = false;  // kept across rebuilds: once interlaced, always deinterlaced
    int width_ = 0, height_ = 0, format_ = -1;  // what the chain was built for
    int sampleRate_ = 0;
    AVChannelLayout layout_{};
};

}  // namespace coder
