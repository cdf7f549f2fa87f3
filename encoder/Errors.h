// SPDX-License-Identifier: GPL-3.0-or-later
// What went wrong, in words a user understands. The closing line of a failed conversion is
// what the user is shown as the reason, so it says what is wrong with which file.
#pragma once

#include <string>

namespace coder {

// A system error on the target or its folder, in plain words followed by the system's own
// text: "the disk is full (No space left on device)".
std::string fileProblem(int err);

// A failure of the FFmpeg libraries while reading a source, in plain words followed by the
// library's own text: "it is truncated or damaged (End of file)".
std::string sourceProblem(int averror);

// Throws Failure naming what the target lacks when no video or no audio could be decoded
// from a source that carries it.
void checkEveryStream(const std::string& input, bool noVideo, bool noAudio);

}  // namespace coder
