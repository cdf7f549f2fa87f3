// SPDX-License-Identifier: GPL-3.0-or-later
#include "Filters.h"

#include <cstdio>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
}

namespace coder {

namespace {
AVChannelLayout layoutOf(const AVFrame* f) {
    AVChannelLayout l{};
    if (f->ch_layout.order == AV_CHANNEL_ORDER_NATIVE) {
        av_channel_layout_copy(&l, &f->ch_layout);
    } else {
        av_channel_layout_default(&l, f->ch_layout.nb_channels);
    }
    return l;
}
}  // namespace

bool FilterChain::needsRebuild(const AVFrame* f, bool deinterlace) const {
    if (!graph_) {
        return true;
    }
    if (video_) {
        return f->width != width_ || f->height != height_ || f->format != format_ ||
               (deinterlace && f->interlaced_frame && !yadif_);
    }
    const AVChannelLayout l = layoutOf(f);
    return f->sample_rate != sampleRate_ || f->format != format_ ||
           av_channel_layout_compare(&l, &layout_) != 0;
}

void FilterChain::build(const std::string& srcArgs, const char* srcName, const char* sinkName,
                        const std::string& chain) {
    reset();
    graph_.reset(avfilter_graph_alloc());
    if (!graph_) {
        throw Failure("out of memory");
    }
    graph_->nb_threads = 1;
    int ret = avfilter_graph_create_filter(&src_, avfilter_get_by_name(srcName), "in",
                                           srcArgs.c_str(), nullptr, graph_.get());
    if (ret >= 0) {
        ret = avfilter_graph_create_filter(&sink_, avfilter_get_by_name(sinkName), "out", nullptr,
                                           nullptr, graph_.get());
    }
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    if (ret >= 0 && outputs && inputs) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = src_;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink_;
        ret = avfilter_graph_parse_ptr(graph_.get(), chain.c_str(), &inputs, &outputs, nullptr);
    } else if (ret >= 0) {
        ret = AVERROR(ENOMEM);
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (ret >= 0) {
        ret = avfilter_graph_config(graph_.get(), nullptr);
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
    yadif_ = out.deinterlace && (yadif_ || f->interlaced_frame);
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
    AVChannelLayout in = layoutOf(f);
    char inLayout[64] = {};
    av_channel_layout_describe(&in, inLayout, sizeof inLayout);
    const std::string src =
        format("time_base=%d/%d:sample_rate=%d:sample_fmt=%s:channel_layout=%s", inTb.num, inTb.den,
               f->sample_rate, av_get_sample_fmt_name(AVSampleFormat(f->format)), inLayout);
    std::string chain;
    if (in.nb_channels == 1 && out.channels == 2) {
        chain += "pan=stereo|c0=c0|c1=c0,";  // both sides at the full level of the one channel
    }
    // Timestamps rule: gaps from damaged packets become silence, so audio stays in step with
    // the video also in containers that keep no audio timestamps.
    chain +=
        format("aresample=%d:async=1%s,aformat=sample_fmts=%s:sample_rates=%d:channel_layouts=%s",
               out.sampleRate, first ? ":first_pts=0" : "", av_get_sample_fmt_name(out.format),
               out.sampleRate, out.channels == 1 ? "mono" : "stereo");
    build(src, "abuffer", "abuffersink", chain);
    if (out.frameSize > 0) {
        av_buffersink_set_frame_size(sink_, unsigned(out.frameSize));
    }
    video_ = false;
    format_ = f->format;
    sampleRate_ = f->sample_rate;
    av_channel_layout_uninit(&layout_);
    layout_ = in;
}

void FilterChain::push(AVFrame* f) {
    const int ret = av_buffersrc_add_frame_flags(src_, f, 0);
    if (ret < 0 && ret != AVERROR_EOF) {
        throw Failure("filtering failed: " + avError(ret));
    }
}

int FilterChain::pull(AVFrame* f) {
    const int ret = av_buffersink_get_frame(sink_, f);
    if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
        throw Failure("filtering failed: " + avError(ret));
    }
    return ret;
}

AVRational FilterChain::outputTimeBase() const {
    return av_buffersink_get_time_base(sink_);
}

}  // namespace coder
