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

// How long a decoded frame lasts, in the time base of its timestamps; 0 when unknown. A field
// of that name from libavutil 57.30 on.
inline int64_t frameDuration(const AVFrame* f) {
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(57, 30, 100)
    return f->duration;
#else
    return f->pkt_duration;
#endif
}

// What an encoder takes: its sample rates (ending in 0) and sample formats (ending in
// AV_SAMPLE_FMT_NONE); nullptr when it takes any. Asked of libavcodec from 61.13 on, which
// deprecated the encoder's own lists.
inline const int* supportedSampleRates(const AVCodec* codec) {
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(61, 13, 100)
    const void* list = nullptr;
    return avcodec_get_supported_config(nullptr, codec, AV_CODEC_CONFIG_SAMPLE_RATE, 0, &list,
                                        nullptr) >= 0
               ? static_cast<const int*>(list)
               : nullptr;
#else
    return codec->supported_samplerates;
#endif
}

inline const AVSampleFormat* supportedSampleFormats(const AVCodec* codec) {
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(61, 13, 100)
    const void* list = nullptr;
    return avcodec_get_supported_config(nullptr, codec, AV_CODEC_CONFIG_SAMPLE_FORMAT, 0, &list,
                                        nullptr) >= 0
               ? static_cast<const AVSampleFormat*>(list)
               : nullptr;
#else
    return codec->sample_fmts;
#endif
}

}  // namespace coder
