// SPDX-License-Identifier: GPL-3.0-or-later
// What a target's extension stands for, and what its audio encoders can take.
#pragma once

#include <optional>
#include <string>

namespace coder {

struct OutputProfile {
    const char* label;         // "AVI", "WMV", "MP3"
    const char* muxer;         // libavformat muxer name
    const char* videoEncoder;  // nullptr: the format carries no video
    const char* audioEncoder;
    unsigned videoTag;  // codec tag to write, 0 for the muxer's choice
};

// The extension alone decides, in any letter case; nullopt for any other.
std::optional<OutputProfile> profileForTarget(const std::string& path);

// The bit rate (kbit/s) an audio encoder will really produce when asked for `kbps`: the
// nearest one it accepts. `sampleRate` is the output rate in Hz.
int nearestAudioBitrate(const std::string& encoder, int sampleRate, double kbps);

// The sample rate nearest to `rate` among `supported` (0-terminated; null means any rate
// between 8000 and 48000 Hz).
int nearestSampleRate(const int* supported, int rate);

}  // namespace coder
