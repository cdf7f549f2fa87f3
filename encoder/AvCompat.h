// SPDX-License-Identifier: GPL-3.0-or-later
// The few places where the FFmpeg releases this program builds on (5.1, 6.1 and 7.1) differ in
// their interface. Everything else uses what the three share.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

namespace coder {

// The buffer that libavformat hands to a write callback: const from libavformat 61 on.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using AvioWriteBuffer = const uint8_t*;
#else
using AvioWriteBuffer = uint8_t*;
#endif

// Whether a decoded picture is interlaced: a frame flag from libavutil 58.7 on, which
// replaced the field of the same meaning.
inline bool isInterlaced(const AVFrame* f) {
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(58, 7, 100)
    return (f->flags & AV_FRAME_FLAG_INTERLACED) != 0;
#else
    return f->interlaced_frame != 0;
#endif
}

}  // namespace coder
