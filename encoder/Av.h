// SPDX-License-Identifier: GPL-3.0-or-later
// Owning handles for the FFmpeg objects, and the error type of the conversion.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "Text.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

namespace coder {

struct AvDeleter {
    void operator()(AVFormatContext* c) const;  // input contexts only
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

using CodecPtr = std::unique_ptr<AVCodecContext, AvDeleter>;
using FramePtr = std::unique_ptr<AVFrame, AvDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, AvDeleter>;
using InputPtr = std::unique_ptr<AVFormatContext, AvDeleter>;

// Microseconds: the time base in which times are compared across streams.
inline constexpr AVRational kMicro{1, 1000000};

FramePtr newFrame();
PacketPtr newPacket();

// A failure of the conversion; the message names what went wrong and for which file.
class Failure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::string avError(int code);

// A second encoder with the settings of the open encoder `model`, opened; throws Failure when
// its stream header would differ from the model's.
CodecPtr openLike(const AVCodecContext* model);

// Sends `frame` to `enc` (nullptr drains it) and hands every packet that comes out to `take`;
// throws Failure.
void encodeFrame(AVCodecContext* enc, const AVFrame* frame,
                 const std::function<void(PacketPtr)>& take);

}  // namespace coder
