// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of coder.dll: what the window passes, parsed strictly.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace coder {

struct FrameSize {
    int width = 0;
    int height = 0;
};

struct Options {
    std::string input;                   // -i
    std::string target;                  // last argument that is not an option
    std::optional<double> videoKbps;     // -b, kbit/s
    std::optional<double> frameRate;     // -r, frames/s
    std::optional<FrameSize> frameSize;  // -s, rounded down to even numbers
    bool highQuality = false;            // -hq
    bool deinterlace = false;            // -deinterlace
    bool overwrite = false;              // -y
    std::optional<double> audioKbps;     // -ab, kbit/s
    std::optional<int> sampleRate;       // -ar, Hz
    std::optional<int> channels;         // -ac, 1 or 2
    std::vector<std::string> notes;      // adjustments worth telling the user
};

class OptionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Throws OptionError with a message fit for the log.
Options parseOptions(const std::vector<std::string>& args);

}  // namespace coder
