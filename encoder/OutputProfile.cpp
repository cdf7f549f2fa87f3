// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputProfile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace coder {

namespace {

constexpr unsigned fourcc(char a, char b, char c, char d) {
    return unsigned(a) | unsigned(b) << 8 | unsigned(c) << 16 | unsigned(d) << 24;
}

std::string lowerExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return ext;
}

int nearestIn(const int* begin, const int* end, double wanted) {
    int best = *begin;
    for (const int* p = begin; p != end; ++p) {
        if (std::fabs(*p - wanted) < std::fabs(best - wanted)) {
            best = *p;
        }
    }
    return best;
}

}  // namespace

std::optional<OutputProfile> profileForTarget(const std::string& path) {
    const std::string ext = lowerExtension(path);
    // XVID is the tag that players of AVI files recognise for MPEG-4 Part 2.
    if (ext == ".avi") {
        return OutputProfile{"AVI", "avi", "mpeg4", "libmp3lame", fourcc('X', 'V', 'I', 'D')};
    }
    if (ext == ".wmv") {
        return OutputProfile{"WMV", "asf", "wmv2", "wmav2", 0};
    }
    if (ext == ".mp3") {
        return OutputProfile{"MP3", "mp3", nullptr, "libmp3lame", 0};
    }
    return std::nullopt;
}

int nearestAudioBitrate(const std::string& encoder, int sampleRate, double kbps) {
    if (encoder == "libmp3lame") {
        // MPEG-1 layer III at 32 kHz and up, MPEG-2 at 16 to 24 kHz, and below that MPEG 2.5,
        // where the encoder takes no more than 64 kbit/s.
        static const int mpeg1[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
        static const int mpeg2[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
        if (sampleRate >= 32000) {
            return nearestIn(std::begin(mpeg1), std::end(mpeg1), kbps);
        }
        if (sampleRate >= 16000) {
            return nearestIn(std::begin(mpeg2), std::end(mpeg2), kbps);
        }
        return nearestIn(std::begin(mpeg2), std::begin(mpeg2) + 8, kbps);
    }
    if (encoder == "wmav2") {
        // The encoder refuses less than 24 kbit/s; a superframe holds at most 32 kB, so
        // the top is far above anything useful. Rates in between go in whole kbit/s.
        return std::clamp(int(std::lround(kbps)), 24, 768);
    }
    return std::max(1, int(std::lround(kbps)));
}

int nearestSampleRate(const int* supported, int rate) {
    if (!supported || !*supported) {
        return std::clamp(rate, 8000, 48000);
    }
    int best = supported[0];
    for (const int* p = supported; *p; ++p) {
        if (std::abs(*p - rate) < std::abs(best - rate)) {
            best = *p;
        }
    }
    return best;
}

}  // namespace coder
