// SPDX-License-Identifier: GPL-3.0-or-later
// A failure the operating system reported, as the encoder tells it: the kind of fault, which
// picks the plain words (Errors.h), and the system's own words for it. Each system maps its
// codes here (posix/, windows/).
#pragma once

#include <cstdint>
#include <string>

namespace coder {

enum class FileFault {
    Other,
    DiskFull,
    QuotaUsed,
    TooLarge,
    NoPermission,
    ReadOnly,
    Missing,
    NotAFolder,
    IsAFolder,
    NameTooLong,
    DiskError,
    NoReceiver,
    Exists,
};

struct SystemError {
    FileFault fault = FileFault::Other;
    std::string detail;      // the system's own words
    uint64_t sizeLimit = 0;  // with TooLarge: the process's file-size limit, when it has one
};

// The system's error code as such: an errno, or a Windows error code.
SystemError systemError(int code);
// The error of the system call that just failed (errno, or GetLastError()).
SystemError lastSystemError();
// An errno of the C library, as FFmpeg reports its own failures on every system.
SystemError errnoError(int err);
// The kind of fault of the errno values that every system's C library has.
FileFault errnoFault(int err);

}  // namespace coder
