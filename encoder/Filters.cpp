// SPDX-License-Identifier: GPL-3.0-or-later
#include "Filters.h"

#include "AudioResampler.h"
#include "AvCompat.h"
#include "FilterLibrary.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace coder {

FilterChain::FilterChain() = default;
FilterChain::~FilterChain() {
    av_channel_layout_uninit(&layout_);
}

void FilterChain::GraphDeleter::operator()(AVFilterGraph* g) const {
    filterLibrary().graphFree(&g);
}

void FilterChain::reset() {
    end_ = AV_NOPTS_VALUE;
    graph_.reset();
    audio_.reset();
    src_ = sink_ = nullptr;
}

AVChannelLayout FilterChain::layoutOf(const AVFrame* f) {
    AVChannelLayout l{};
    if (f->ch_layout.order == AV_CHANNEL_ORDER_NATIVE) {
        av_channel_layout_copy(&l, &f->ch_layout);
    } else {
        av_channel_layout_default(&l, f->ch_layout.nb_channels);
    }
    return l;
}

bool FilterChain::needsRebuild(const AVFrame* f, bool deinterlace) const {
    if (!built()) {
        return true;
    }
    if (video_) {
        return f->width != width_ || f->height != height_ || f->format != format_ ||
               (deinterlace && isInterlaced(f) && !yadif_);
    }
    AVChannelLayout l = layoutOf(f);
    const bool changed = f->sample_rate != sampleRate_ || f->format != format_ ||
                         av_channel_layout_compare(&l, &layout_) != 0;
    av_channel_layout_uninit(&l);
    return changed;
}

void FilterChain::build(const std::string& srcArgs, const char* srcName, const char* sinkName,
                        const std::string& chain) {
    reset();
    const FilterLibrary& lib = filterLibrary();
    graph_.reset(lib.graphAlloc());
    if (!graph_) {
        throw Failure("out of memory");
    }
    graph_->nb_threads = 1;
    int ret = lib.createFilter(&src_, lib.getByName(srcName), "in", srcArgs.c_str(), nullptr,
                               graph_.get());
    if (ret >= 0) {
        ret = lib.createFilter(&sink_, lib.getByName(sinkName), "out", nullptr, nullptr,
                               graph_.get());
    }
    AVFilterInOut* outputs = lib.inoutAlloc();
    AVFilterInOut* inputs = lib.inoutAlloc();
    if (ret >= 0 && outputs && inputs) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = src_;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink_;
        ret = lib.parse(graph_.get(), chain.c_str(), &inputs, &outputs, nullptr);
    } else if (ret >= 0) {
        ret = AVERROR(ENOMEM);
    }
    lib.inoutFree(&inputs);
    lib.inoutFree(&outputs);
    if (ret >= 0) {
        ret = lib.config(graph_.get(), nullptr);
    }
    if (ret < 0) {
        reset();
        throw Failure("cannot set up the filters \"" + chain + "\": " + avError(ret));
    }
}

void FilterChain::buildVideo(const AVFrame* f, AVRational inTb, const VideoShape& out, bool first) {
    const AVRational sar = f->sample_aspect_ratio.num ? f->sample_aspect_ratio : AVRational{1, 1};
    const std::string src =
        format("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", f->width,
               f->height, f->format, inTb.num, inTb.den, sar.num, sar.den);
    std::string chain;
    yadif_ = out.deinterlace && (yadif_ || isInterlaced(f));
    if (yadif_) {
        chain += "yadif=mode=send_frame:parity=auto:deint=interlaced,";
    }
    const std::string fps =
        format("fps=fps=%d/%d%s", out.rate.num, out.rate.den, first ? ":start_time=0" : "");
    const std::string scale =
        format("scale=%d:%d:flags=bicubic,format=yuv420p", out.width, out.height);
    // Scale as few pictures as possible: drop frames before scaling, repeat them after.
    const bool dropping = out.sourceRate.num > 0 && av_cmp_q(out.sourceRate, out.rate) > 0;
    chain += dropping ? fps + "," + scale : scale + "," + fps;
    chain += ",setsar=1";
    build(src, "buffer", "buffersink", chain);
    video_ = true;
    width_ = f->width;
    height_ = f->height;
    format_ = f->format;
}

void FilterChain::buildAudio(const AVFrame* f, AVRational inTb, const AudioShape& out, bool first) {
    if (audio_) {
        audio_->reshape(f);
    } else {
        reset();
        audio_ = std::make_unique<AudioResampler>(f, inTb, out, first);
    }
    video_ = false;
    format_ = f->format;
    sampleRate_ = f->sample_rate;
    av_channel_layout_uninit(&layout_);
    layout_ = layoutOf(f);
}

void FilterChain::push(AVFrame* f) {
    if (audio_) {
        audio_->push(f);
        if (f) {
            av_frame_unref(f);
        }
        return;
    }
    // The input ends where its last picture ends, so that the frame rate filter gives the
    // last picture its time in full, whatever the filter library would take for the end.
    if (f && f->pts != AV_NOPTS_VALUE) {
        end_ = f->pts + std::max<int64_t>(0, frameDuration(f));
    }
    const FilterLibrary& lib = filterLibrary();
    const int ret =
        f || end_ == AV_NOPTS_VALUE ? lib.addFrame(src_, f, 0) : lib.close(src_, end_, 0);
    if (ret < 0 && ret != AVERROR_EOF) {
        throw Failure("filtering failed: " + avError(ret));
    }
}

int FilterChain::pull(AVFrame* f) {
    if (audio_) {
        return audio_->pull(f);
    }
    const int ret = filterLibrary().getFrame(sink_, f);
    if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
        throw Failure("filtering failed: " + avError(ret));
    }
    return ret;
}

AVRational FilterChain::outputTimeBase() const {
    return audio_ ? audio_->outputTimeBase() : filterLibrary().sinkTimeBase(sink_);
}

}  // namespace coder
