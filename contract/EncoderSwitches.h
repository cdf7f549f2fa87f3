// SPDX-License-Identifier: GPL-3.0-or-later
// The encoder's switches: one table, from which the window's command line is written and the
// encoder reads its options.
#pragma once

#include <string>
#include <string_view>

namespace contract {

enum class Switch {
    Input,
    VideoKbps,
    FrameRate,
    FrameSize,
    HighQuality,
    Deinterlace,
    Overwrite,
    AudioKbps,
    SampleRate,
    Channels,
};

struct SwitchSpec {
    Switch id;
    std::string_view name;
    std::string_view value;  // what its value is, for the usage line; empty: a switch alone
};

// In the order of the window's line, which ends with the target.
inline constexpr SwitchSpec kSwitches[] = {
    {Switch::Input, "-i", "input.flv"}, {Switch::VideoKbps, "-b", "kbit/s"},
    {Switch::FrameRate, "-r", "fps"},   {Switch::FrameSize, "-s", "WxH"},
    {Switch::HighQuality, "-hq", ""},   {Switch::Deinterlace, "-deinterlace", ""},
    {Switch::Overwrite, "-y", ""},      {Switch::AudioKbps, "-ab", "kbit/s"},
    {Switch::SampleRate, "-ar", "Hz"},  {Switch::Channels, "-ac", "1|2"},
};
inline constexpr std::string_view kTargetUsage = "output.avi|.wmv|.mp3";

// The switch of that name; nullptr for none.
constexpr const SwitchSpec* FindSwitch(std::string_view name) {
    for (const SwitchSpec& s : kSwitches) {
        if (s.name == name) {
            return &s;
        }
    }
    return nullptr;
}

constexpr std::string_view SwitchName(Switch id) {
    for (const SwitchSpec& s : kSwitches) {
        if (s.id == id) {
            return s.name;
        }
    }
    return {};
}

// "coder.dll -i input.flv [-b kbit/s] ... output.avi|.wmv|.mp3": the input is the one switch
// that must be given.
inline std::string UsageLine(std::string_view program) {
    std::string line(program);
    for (const SwitchSpec& s : kSwitches) {
        std::string part(s.name);
        if (!s.value.empty()) {
            part += ' ';
            part += s.value;
        }
        line += s.id == Switch::Input ? " " + part : " [" + part + "]";
    }
    line += ' ';
    line += kTargetUsage;
    return line;
}

}  // namespace contract
