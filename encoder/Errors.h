// SPDX-License-Identifier: GPL-3.0-or-later
// What went wrong, in words a user understands. The closing line of a failed conversion is
// what the user is shown as the reason, so it says plainly what is wrong with which file,
// followed by the system's or the library's own words in brackets.
#pragma once

#include <string>

#include "SystemError.h"

namespace coder {

// A system error while creating or writing the target: "the disk is full (No space left
// on device)".
std::string fileProblem(const SystemError& error);
// The same for an FFmpeg error code from writing.
std::string writeProblem(int averror);

// What was being done to the target when the system refused it.
enum class TargetStep { Create, Replace, Open, Write };
[[noreturn]] void failTarget(TargetStep step, const std::string& target, const SystemError& error);
// The target's name was taken, or its file replaced, by another program meanwhile.
[[noreturn]] void targetTakenMeanwhile(const std::string& target);
[[noreturn]] void targetReplacedOrRemoved(const std::string& target);
[[noreturn]] void targetIsInput(const std::string& target);
[[noreturn]] void targetExists(const std::string& target);
[[noreturn]] void targetIsDanglingLink(const std::string& target);
[[noreturn]] void targetIsNotRegular(const std::string& target);
// An FFmpeg error code from reading the source midway.
std::string readProblem(int averror);

// The whole message for a source that cannot be opened or read as a video: missing, a
// folder, empty, not a Flash video, truncated before its first frames.
std::string unreadableSource(const std::string& path, int averror);

// Throws Failure naming what the target lacks when no video or no audio could be decoded
// from a source that carries it.
void checkEveryStream(const std::string& input, bool noVideo, bool noAudio);

}  // namespace coder
