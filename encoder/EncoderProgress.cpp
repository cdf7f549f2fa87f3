// SPDX-License-Identifier: GPL-3.0-or-later
#include "EncoderProgress.h"

#include "Av.h"
#include "contract/EncoderContract.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace coder {

namespace {
constexpr auto kInterval = std::chrono::milliseconds(contract::kProgressIntervalMs);
}  // namespace

std::string progressLine(const OutputStats& s, bool last) {
    const double time = std::max(s.time, 0.01);
    const double kb = double(s.bytes) / 1024.0;
    const double kbits = double(s.bytes) * 8.0 / time / 1000.0;
    if (s.hasVideo) {
        return format(contract::kVideoProgressLine, int(s.frames), s.q, last ? "L" : "", kb, time,
                      kbits);
    }
    return format(contract::kAudioProgressLine, kb, time, kbits);
}

std::string statsLine(const OutputStats& s) {
    const double payload = double(s.videoBytes + s.audioBytes + s.headerBytes);
    const double overhead = payload > 0 ? 100.0 * (double(s.bytes) - payload) / payload : 0.0;
    return format(contract::kStatsLine, double(s.videoBytes) / 1024.0,
                  double(s.audioBytes) / 1024.0, double(s.headerBytes) / 1024.0, overhead);
}

ProgressReporter::ProgressReporter(int fd) : fd_(fd), start_(Clock::now()), last_(start_) {}

void ProgressReporter::write(const std::string& text) {
    size_t done = 0;
    while (!dead_ && done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // EPIPE (SIGPIPE is ignored), a closed descriptor, a full log disk: nobody can
            // read us any more. The conversion itself goes on; its outcome is the exit status.
            dead_ = true;
        }
    }
}

void ProgressReporter::endPendingLine() {
    if (pendingCr_) {
        write("\n");
        pendingCr_ = false;
    }
}

void ProgressReporter::info(const std::string& text) {
    endPendingLine();
    write(escapeForLog(text) + "\n");
}

void ProgressReporter::update(const OutputStats& s) {
    const auto now = Clock::now();
    if (now - last_ < kInterval) {
        return;  // also keeps quiet during the first half second, since last_ starts there
    }
    last_ = now;
    write(progressLine(s, false) + "\r");
    pendingCr_ = true;
}

void ProgressReporter::finish(const OutputStats& s) {
    write(progressLine(s, true) + "\r\n" + statsLine(s) + "\n");
    pendingCr_ = false;
}

void ProgressReporter::note(const std::string& text) {
    info(std::string(contract::kNotePrefix) + text);
}

void ProgressReporter::failure(const std::string& text) {
    endPendingLine();
    write(std::string(contract::kErrorPrefix) + escapeForLog(text) + "\n");
}

}  // namespace coder
