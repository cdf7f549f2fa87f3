// SPDX-License-Identifier: GPL-3.0-or-later
#include "EnhancedFlv.h"

#include <memory>

extern "C" {
#include <libavformat/avio.h>
}

namespace coder {

namespace {

struct AvioCloser {
    void operator()(AVIOContext* pb) const { avio_closep(&pb); }
};

EnhancedVideo named(const unsigned char fourcc[4]) {
    const std::string tag(reinterpret_cast<const char*>(fourcc), 4);
    if (tag == "hvc1") {
        return {"HEVC", AV_CODEC_ID_HEVC};
    }
    if (tag == "av01") {
        return {"AV1", AV_CODEC_ID_AV1};
    }
    if (tag == "vp09") {
        return {"VP9", AV_CODEC_ID_VP9};
    }
    if (tag == "avc1") {
        return {"H.264", AV_CODEC_ID_H264};
    }
    std::string shown;
    for (const char c : tag) {
        shown += c >= 0x20 && c < 0x7f ? c : '?';
    }
    return {"\"" + shown + "\"", AV_CODEC_ID_NONE};
}

}  // namespace

EnhancedVideo enhancedVideo(const std::string& url) {
    constexpr int kVideoTag = 9, kExHeader = 0x80, kMostTags = 64;
    AVIOContext* raw = nullptr;
    if (avio_open(&raw, url.c_str(), AVIO_FLAG_READ) < 0) {
        return {};
    }
    std::unique_ptr<AVIOContext, AvioCloser> pb(raw);
    unsigned char head[9];
    if (avio_read(raw, head, 9) != 9 || head[0] != 'F' || head[1] != 'L' || head[2] != 'V') {
        return {};
    }
    const int64_t first = (int64_t(head[5]) << 24 | head[6] << 16 | head[7] << 8 | head[8]) + 4;
    if (avio_seek(raw, first, SEEK_SET) < 0) {
        return {};
    }
    for (int i = 0; i < kMostTags && !avio_feof(raw); ++i) {
        const int type = avio_r8(raw) & 0x1f;
        const unsigned size = avio_rb24(raw);
        avio_skip(raw, 7);  // timestamp, its extension and the stream id
        if (avio_feof(raw)) {
            break;
        }
        if (type == kVideoTag && size >= 5) {
            unsigned char data[5];
            if (avio_read(raw, data, 5) != 5 || !(data[0] & kExHeader)) {
                return {};
            }
            return named(data + 1);
        }
        avio_skip(raw, int64_t(size) + 4);  // the data and the size of the tag just ended
    }
    return {};
}

}  // namespace coder
