// SPDX-License-Identifier: GPL-3.0-or-later
#include "Samples.h"

#include <cmath>

extern "C" {
#include <libavutil/samplefmt.h>
}

#include "Av.h"

namespace coder {

namespace {

template <typename T>
bool inRange(T v) {
    return v >= T(-1) && v <= T(1);  // false for NaN too
}

template <typename T>
long clampPlane(uint8_t* data, int count, bool write) {
    T* s = reinterpret_cast<T*>(data);
    long changed = 0;
    for (int i = 0; i < count; ++i) {
        if (!inRange(s[i])) {
            ++changed;
            if (write) {
                s[i] = std::isnan(s[i]) ? T(0) : s[i] > 0 ? T(1) : T(-1);
            }
        }
    }
    return changed;
}

template <typename T>
long clampAll(AVFrame& f, bool write) {
    const auto fmt = static_cast<AVSampleFormat>(f.format);
    const int channels = f.ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(fmt);
    long changed = 0;
    for (int p = 0; p < (planar ? channels : 1); ++p) {
        changed += clampPlane<T>(f.extended_data[p], f.nb_samples * (planar ? 1 : channels), write);
    }
    return changed;
}

}  // namespace

long clampSamples(AVFrame& frame) {
    const auto fmt = static_cast<AVSampleFormat>(frame.format);
    const AVSampleFormat packed = av_get_packed_sample_fmt(fmt);
    if ((packed != AV_SAMPLE_FMT_FLT && packed != AV_SAMPLE_FMT_DBL) || !frame.extended_data ||
        frame.ch_layout.nb_channels <= 0) {
        return 0;
    }
    const bool isFloat = packed == AV_SAMPLE_FMT_FLT;
    // Look first: a clean frame, the usual case, is neither copied nor written.
    const long bad = isFloat ? clampAll<float>(frame, false) : clampAll<double>(frame, false);
    if (bad == 0) {
        return 0;
    }
    if (av_frame_make_writable(&frame) < 0) {
        throw Failure("there is not enough memory");
    }
    return isFloat ? clampAll<float>(frame, true) : clampAll<double>(frame, true);
}

}  // namespace coder
