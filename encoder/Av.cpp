// SPDX-License-Identifier: GPL-3.0-or-later
#include "Av.h"

#include <cstring>

extern "C" {
#include <libavutil/error.h>
}

namespace coder {

void AvDeleter::operator()(AVFormatContext* c) const {
    avformat_close_input(&c);
}

FramePtr newFrame() {
    FramePtr f(av_frame_alloc());
    if (!f) {
        throw Failure("out of memory");
    }
    return f;
}

PacketPtr newPacket() {
    PacketPtr p(av_packet_alloc());
    if (!p) {
        throw Failure("out of memory");
    }
    return p;
}

std::string avError(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

CodecPtr openLike(const AVCodecContext* model) {
    const bool video = model->codec_type == AVMEDIA_TYPE_VIDEO;
    CodecPtr enc(avcodec_alloc_context3(model->codec));
    if (!enc || av_channel_layout_copy(&enc->ch_layout, &model->ch_layout) < 0) {
        throw Failure("out of memory");
    }
    enc->width = model->width;
    enc->height = model->height;
    enc->pix_fmt = model->pix_fmt;
    enc->sample_aspect_ratio = model->sample_aspect_ratio;
    enc->framerate = model->framerate;
    enc->gop_size = model->gop_size;
    enc->mb_decision = model->mb_decision;
    enc->sample_rate = model->sample_rate;
    enc->sample_fmt = model->sample_fmt;
    enc->time_base = model->time_base;
    enc->bit_rate = model->bit_rate;
    enc->bit_rate_tolerance = model->bit_rate_tolerance;
    enc->compression_level = model->compression_level;
    enc->thread_count = model->thread_count;
    enc->flags = model->flags;
    const int ret = avcodec_open2(enc.get(), model->codec, nullptr);
    if (ret < 0) {
        throw Failure(std::string("cannot start the ") + (video ? "video" : "audio") + " encoder " +
                      model->codec->name + ": " + avError(ret));
    }
    if (model->extradata_size != enc->extradata_size ||
        (enc->extradata_size > 0 &&
         std::memcmp(model->extradata, enc->extradata, size_t(enc->extradata_size)) != 0)) {
        throw Failure(std::string("two ") + model->codec->name +
                      " encoders with the same settings disagree on the stream's header");
    }
    return enc;
}

void encodeFrame(AVCodecContext* enc, const AVFrame* frame,
                 const std::function<void(PacketPtr)>& take) {
    int ret = avcodec_send_frame(enc, frame);
    while (ret >= 0) {
        PacketPtr pkt = newPacket();
        ret = avcodec_receive_packet(enc, pkt.get());
        if (ret >= 0) {
            take(std::move(pkt));
        }
    }
    if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
        throw Failure(std::string("the ") +
                      (enc->codec_type == AVMEDIA_TYPE_VIDEO ? "video" : "audio") + " encoder " +
                      enc->codec->name + " failed: " + avError(ret));
    }
}

}  // namespace coder
