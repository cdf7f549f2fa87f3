// SPDX-License-Identifier: GPL-3.0-or-later
// Owning handles for the FFmpeg objects, and the error type of the conversion.
#pragma once

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

namespace coder {

struct AvDeleter {
    void operator()(AVFormatContext* c) const;  // input contexts only
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};

using CodecPtr = std::unique_ptr<AVCodecContext, AvDeleter>;
using FramePtr = std::unique_ptr<AVFrame, AvDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, AvDeleter>;
using GraphPtr = std::unique_ptr<AVFilterGraph, AvDeleter>;
using InputPtr = std::unique_ptr<AVFormatContext, AvDeleter>;

FramePtr newFrame();
PacketPtr newPacket();

// A failure of the conversion; the message names what went wrong and for which file.
class Failure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::string avError(int code);

// printf-style formatting into a string (texts of the log and of filter descriptions).
template <typename... Args>
std::string format(const char* fmt, Args... args) {
    char buf[512];
    const int n = std::snprintf(buf, sizeof buf, fmt, args...);
    return std::string(buf, size_t(n < 0 ? 0 : n < int(sizeof buf) ? n : int(sizeof buf) - 1));
}
std::string quoted(const std::string& path);

}  // namespace coder
