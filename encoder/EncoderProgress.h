// SPDX-License-Identifier: GPL-3.0-or-later
// Everything coder.dll says goes to the error output through this reporter: info lines,
// progress lines ended by a bare carriage return, the closing lines, and failures.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace coder {

struct OutputStats {
    bool hasVideo = false;
    int64_t frames = 0;       // video frames written
    double q = 0;             // quantiser of the last video packet
    int64_t bytes = 0;        // bytes written to the target so far
    double time = 0;          // smallest end time written across the streams, seconds
    int64_t videoBytes = 0;   // payload of the video packets
    int64_t audioBytes = 0;   // payload of the audio packets
    int64_t headerBytes = 0;  // codec global headers
};

// Formatting, separate from writing so that it can be checked on its own.
std::string progressLine(const OutputStats& s, bool last);
std::string statsLine(const OutputStats& s);

class ProgressReporter {
  public:
    using Clock = std::chrono::steady_clock;

    explicit ProgressReporter(int fd = 2);

    // Outside text in `text` (names, option values) cannot break the line: control
    // characters are escaped, so only finish() writes a line that begins with "video".
    void info(const std::string& text);     // one line, before the progress
    void note(const std::string& text);     // ... of what was changed or skipped
    void update(const OutputStats& s);      // at most one line each half second
    void finish(const OutputStats& s);      // the last progress line and the statistics
    void failure(const std::string& text);  // the last line on every failure

  private:
    void write(const std::string& text);
    void endPendingLine();

    int fd_;
    bool dead_ = false;       // the reader of our error output has gone away
    bool pendingCr_ = false;  // a progress line ended by CR alone is on screen
    Clock::time_point start_;
    Clock::time_point last_;
};

}  // namespace coder
