// SPDX-License-Identifier: GPL-3.0-or-later
// Decoders fed with damaged audio can give samples far beyond full scale, or ones that are
// not numbers at all; the MP3 encoder aborts the whole process on them. Decoded audio is
// kept finite and within full scale before anything else sees it.
#pragma once

extern "C" {
#include <libavutil/frame.h>
}

namespace coder {

// Clamps the float samples of `frame` to [-1, 1] and turns NaN into silence; integer
// samples are left alone, as they cannot go beyond full scale. Returns how many samples
// had to be changed.
long clampSamples(AVFrame& frame);

}  // namespace coder
