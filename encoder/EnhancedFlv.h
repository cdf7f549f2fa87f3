// SPDX-License-Identifier: GPL-3.0-or-later
// Video in the enhanced form of Flash video: a tag that names its codec by a FourCC (HEVC,
// AV1, VP9) instead of the old codec number. FFmpeg reads it from 6.1 on; an older one takes
// the FourCC's first bits for a codec number and decodes nothing, so that the user would be
// told the file is damaged. Here the first video tag is read to name the codec instead.
#pragma once

#include <string>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace coder {

struct EnhancedVideo {
    std::string name;  // empty: the first video tag is in the old form, or there is none
    AVCodecID codec = AV_CODEC_ID_NONE;
};

// The codec of the first video tag of the Flash video at `url`, when it is in the enhanced
// form. Reads at most the first 64 tags.
EnhancedVideo enhancedVideo(const std::string& url);

}  // namespace coder
