// SPDX-License-Identifier: GPL-3.0-or-later
#include "Options.h"

#include <charconv>
#include <cmath>
#include <cstdint>

extern "C" {
#include <libavutil/parseutils.h>
}

namespace coder {
namespace {

double parseNumber(const std::string& option, const std::string& text, double min, double max) {
    double value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
        throw OptionError("option " + option + ": \"" + text + "\" is not a number");
    }
    if (value < min || value > max) {
        throw OptionError("option " + option + ": " + text + " is out of range");
    }
    return value;
}

int parseWhole(const std::string& option, const std::string& text, int min, int max) {
    const double value = parseNumber(option, text, min, max);
    if (value != std::floor(value)) {
        throw OptionError("option " + option + ": \"" + text + "\" is not a whole number");
    }
    return static_cast<int>(value);
}

FrameSize parseFrameSize(const std::string& text, std::vector<std::string>& notes) {
    int w = 0;
    int h = 0;
    const auto x = text.find_first_of("xX");
    bool ok = false;
    if (x != std::string::npos && x > 0 && x + 1 < text.size()) {
        const char* b = text.data();
        auto r1 = std::from_chars(b, b + x, w);
        auto r2 = std::from_chars(b + x + 1, b + text.size(), h);
        ok = r1.ec == std::errc() && r1.ptr == b + x && r2.ec == std::errc() &&
             r2.ptr == b + text.size();
    }
    if (!ok) {
        // Also take the usual abbreviations ("qvga", "cif", ...).
        ok = !text.empty() && av_parse_video_size(&w, &h, text.c_str()) >= 0;
    }
    if (!ok) {
        throw OptionError("option -s: \"" + text + "\" is not a frame size (WIDTHxHEIGHT)");
    }
    if (w < 2 || h < 2 || w > 8192 || h > 8192) {
        throw OptionError("option -s: " + text + " is out of range (2 to 8192 on each side)");
    }
    const FrameSize even{w & ~1, h & ~1};
    if (even.width != w || even.height != h) {
        notes.push_back("frame size " + text + " rounded down to " + std::to_string(even.width) +
                        "x" + std::to_string(even.height));
    }
    return even;
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args) {
    Options o;
    bool haveInput = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') {
            o.target = a;  // the last one wins
            continue;
        }
        if (a == "-hq") {
            o.highQuality = true;
            continue;
        }
        if (a == "-deinterlace") {
            o.deinterlace = true;
            continue;
        }
        if (a == "-y") {
            o.overwrite = true;
            continue;
        }
        static const char* const withValue[] = {"-i", "-b", "-r", "-s", "-ab", "-ar", "-ac"};
        bool known = false;
        for (const char* name : withValue) {
            known = known || a == name;
        }
        if (!known) {
            throw OptionError("unknown option " + a);
        }
        if (i + 1 >= args.size()) {
            throw OptionError("option " + a + " needs a value");
        }
        const std::string& v = args[++i];
        if (a == "-i") {
            if (v.empty()) {
                throw OptionError("option -i: the input file name is empty");
            }
            o.input = v;
            haveInput = true;
        } else if (a == "-b") {
            o.videoKbps = parseNumber(a, v, 1, 100000);
        } else if (a == "-r") {
            o.frameRate = parseNumber(a, v, 0.1, 1000);
        } else if (a == "-s") {
            o.frameSize = parseFrameSize(v, o.notes);
        } else if (a == "-ab") {
            o.audioKbps = parseNumber(a, v, 1, 10000);
        } else if (a == "-ar") {
            o.sampleRate = parseWhole(a, v, 1000, 384000);
        } else if (a == "-ac") {
            o.channels = parseWhole(a, v, 0, 1000);
            if (*o.channels != 1 && *o.channels != 2) {
                throw OptionError("option -ac: " + v + " channels; only 1 or 2 are possible");
            }
        }
    }
    if (!haveInput) {
        throw OptionError("no input file given (-i)");
    }
    if (o.target.empty()) {
        throw OptionError("no output file given");
    }
    return o;
}

}  // namespace coder
