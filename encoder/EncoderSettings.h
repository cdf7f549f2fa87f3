// SPDX-License-Identifier: GPL-3.0-or-later
// The encoders of a target, set up from the options and the source stream: sizes, rates,
// bit rates and the settings that keep the size near what was asked.
#pragma once

#include "Av.h"
#include "EncoderProgress.h"
#include "Filters.h"
#include "Options.h"
#include "OutputProfile.h"

namespace coder {

struct VideoEncoder {
    CodecPtr enc;  // open
    VideoShape shape;
    // WMV's encoder has no threads of its own: two of them take turns, a group of pictures
    // each (ParallelVideo.h), and `enc` then makes no key pictures of its own choice.
    bool twoEncoders = false;
    int groupPictures = 0;  // the usual pictures per group
    // Repeated pictures may be written as not-coded pictures (RepeatedPicture.h).
    bool notCodedRepeats = false;
};

struct AudioEncoder {
    CodecPtr enc;  // open
    AudioShape shape;
    int kbps = 0;  // the bit rate it makes
};

// `globalHeader`: the format wants the codec's header once, in its own. Throws Failure.
VideoEncoder openVideoEncoder(const Options& opt, const OutputProfile& profile, const AVStream* src,
                              bool globalHeader);
// Says on `reporter` where the encoder cannot take what was asked. Throws Failure.
AudioEncoder openAudioEncoder(const Options& opt, const OutputProfile& profile, const AVStream* src,
                              bool globalHeader, ProgressReporter& reporter);

}  // namespace coder
