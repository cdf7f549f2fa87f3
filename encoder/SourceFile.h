// SPDX-License-Identifier: GPL-3.0-or-later
// What the source's name holds, asked of the system before FFmpeg reads it, and for the words
// when it cannot be read. Each system has its own (posix/, windows/).
#pragma once

#include <cstdint>
#include <string>

#include "FileIdentity.h"
#include "SystemError.h"

namespace coder {

struct SourceCheck {
    enum Kind { Regular, Folder, NotRegular, Missing, NoPermission, Unopenable };
    Kind kind = Unopenable;
    int64_t size = 0;  // with Regular
    FileIdentity identity;
    std::string detail;  // the system's words, when it is not there to be read
};
SourceCheck checkSource(const std::string& path);

// Up to `size` of the file's first bytes into `head`: how many were read, -1 when none could be.
int readHead(const std::string& path, unsigned char* head, int size);

}  // namespace coder
