// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures that repeat the one before. Raising the frame rate (25 to 29.97 frames a second,
// say) repeats every few pictures; encoding a repeat costs as much as a new picture and gives
// next to nothing. In MPEG-4 video a repeat can be written as a "not coded" picture instead:
// a header of a few bytes that tells the decoder to show the previous picture again.
#pragma once

#include <cstdint>
#include <vector>

#include "Av.h"

namespace coder {

// True when `f` holds the very same picture buffers as `last` (as the frame-rate filter
// hands out a repeated picture), so its content is known to be unchanged.
bool samePicture(const AVFrame* f, const AVFrame* last);

// A not-coded MPEG-4 picture (an inter picture with vop_coded = 0) as the packet of a
// repeat. It carries the time of the last coded picture, `lastPts` in `timeBase` (the
// encoder's), so that the time that decoders count from picture to picture stays that of
// the encoder.
std::vector<uint8_t> notCodedPicture(AVRational timeBase, int64_t lastPts);

// A WMV 8 inter picture whose every macroblock is skipped, for a stream whose header is
// `extradata`; empty when the header asks for the loop filter, which would touch even a
// skipped picture. Every inter picture flips the decoder's rounding, which the encoder does
// not know of: such a picture may only come right before a key picture.
std::vector<uint8_t> skippedWmv2Picture(const uint8_t* extradata, int size, int width, int height);

}  // namespace coder
