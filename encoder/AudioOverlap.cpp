// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioOverlap.h"

#include <algorithm>

namespace coder {

namespace {

int64_t lengthUs(const AVFrame& f) {
    return f.sample_rate > 0 ? av_rescale(f.nb_samples, 1000000, f.sample_rate) : 0;
}

}  // namespace

FramePtr AudioOverlap::next(FramePtr frame) {
    FramePtr out = std::move(held_);
    held_ = std::move(frame);
    if (!out) {
        return out;
    }
    const int64_t startUs = av_rescale_q(out->pts, tb_, kMicro);
    const int64_t nextUs = av_rescale_q(held_->pts, tb_, kMicro);
    // A frame that does not begin later says nothing about where this one ends: decoders
    // that give several frames for one packet may stamp them all with the packet's time.
    if (nextUs > startUs) {
        cut(*out, nextUs - startUs);
    }
    remember(*out);
    return out;
}

FramePtr AudioOverlap::last() {
    FramePtr out = std::move(held_);
    if (out && nextRecent_ > 0) {
        cut(*out, *std::max_element(recentUs_.begin(), recentUs_.end()));
    }
    return out;
}

void AudioOverlap::cut(AVFrame& f, int64_t allowedUs) {
    const int64_t overUs = lengthUs(f) - allowedUs;
    if (overUs <= kToleranceUs || f.sample_rate <= 0) {
        return;
    }
    // The samples past the point are only dropped from the count; the buffers stay as they
    // are, so nothing is copied and a frame shared with the decoder is not written.
    const int64_t keep = std::max<int64_t>(1, av_rescale(allowedUs, f.sample_rate, 1000000));
    if (keep < f.nb_samples) {
        cutUs_ += lengthUs(f);
        f.nb_samples = static_cast<int>(keep);
        cutUs_ -= lengthUs(f);
    }
}

void AudioOverlap::remember(const AVFrame& f) {
    recentUs_[nextRecent_ % recentUs_.size()] = lengthUs(f);
    ++nextRecent_;
}

}  // namespace coder
