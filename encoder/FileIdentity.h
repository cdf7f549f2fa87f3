// SPDX-License-Identifier: GPL-3.0-or-later
// What tells one file from another whatever its names: the disk it is on and its number there
// (the device and inode of a POSIX system, the volume serial and file index of Windows).
#pragma once

#include <cstdint>

namespace coder {

struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

}  // namespace coder
