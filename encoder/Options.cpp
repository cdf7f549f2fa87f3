// SPDX-License-Identifier: GPL-3.0-or-later
#include "Options.h"

#include <charconv>
#include <cmath>
#include <cstdint>

extern "C" {
#include <libavutil/parseutils.h>
}

#include "contract/EncoderContract.h"
#include "contract/EncoderSwitches.h"

namespace coder {
namespace {

// "option -b", as a refused value's message begins after the error prefix.
std::string optionText(const std::string& option) {
    return std::string(contract::kOptionPrefix) + option;
}

double parseNumber(const std::string& option, const std::string& text, double min, double max) {
    double value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
        throw OptionError(optionText(option) + ": \"" + text + "\" is not a number");
    }
    if (value < min || value > max) {
        throw OptionError(optionText(option) + ": " + text + " is out of range");
    }
    return value;
}

int parseWhole(const std::string& option, const std::string& text, int min, int max) {
    const double value = parseNumber(option, text, min, max);
    if (value != std::floor(value)) {
        throw OptionError(optionText(option) + ": \"" + text + "\" is not a whole number");
    }
    return static_cast<int>(value);
}

FrameSize parseFrameSize(const std::string& option, const std::string& text,
                         std::vector<std::string>& notes) {
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
        throw OptionError(optionText(option) + ": \"" + text +
                          "\" is not a frame size (WIDTHxHEIGHT)");
    }
    if (w < 2 || h < 2 || w > 8192 || h > 8192) {
        throw OptionError(optionText(option) + ": " + text +
                          " is out of range (2 to 8192 on each side)");
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
    using contract::Switch;
    Options o;
    bool haveInput = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') {
            o.target = a;  // the last one wins
            continue;
        }
        const contract::SwitchSpec* given = contract::FindSwitch(a);
        if (!given) {
            throw OptionError("unknown option " + a);
        }
        std::string v;
        if (!given->value.empty()) {
            if (i + 1 >= args.size()) {
                throw OptionError(optionText(a) + " needs a value");
            }
            v = args[++i];
        }
        switch (given->id) {
            case Switch::Input:
                if (v.empty()) {
                    throw OptionError(optionText(a) + ": the input file name is empty");
                }
                o.input = v;
                haveInput = true;
                break;
            case Switch::VideoKbps:
                o.videoKbps = parseNumber(a, v, 1, 100000);
                break;
            case Switch::FrameRate:
                o.frameRate = parseNumber(a, v, 0.1, 1000);
                break;
            case Switch::FrameSize:
                o.frameSize = parseFrameSize(a, v, o.notes);
                break;
            case Switch::AudioKbps:
                o.audioKbps = parseNumber(a, v, 1, 10000);
                break;
            case Switch::SampleRate:
                o.sampleRate = parseWhole(a, v, 1000, 384000);
                break;
            case Switch::Channels:
                o.channels = parseWhole(a, v, 0, 1000);
                if (*o.channels != 1 && *o.channels != 2) {
                    throw OptionError(optionText(a) + ": " + v +
                                      " channels; only 1 or 2 are possible");
                }
                break;
            case Switch::HighQuality:
                o.highQuality = true;
                break;
            case Switch::Deinterlace:
                o.deinterlace = true;
                break;
            case Switch::Overwrite:
                o.overwrite = true;
                break;
        }
    }
    if (!haveInput) {
        throw OptionError("no input file given (" +
                          std::string(contract::SwitchName(Switch::Input)) + ")");
    }
    if (o.target.empty()) {
        throw OptionError("no output file given");
    }
    return o;
}

}  // namespace coder
