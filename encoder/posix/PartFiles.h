// SPDX-License-Identifier: GPL-3.0-or-later
// Temporary names (PartNames.h) on a POSIX system: the writer holds a lock (flock) on its file
// while it writes. A file of the pattern whose owner is this user, whose writer no longer runs
// and whose lock is free was left by a conversion that was killed.
#pragma once

#include <string>

namespace coder {

// The pattern of a temporary name beside `base` in `folder` (which ends in '/', or is empty for
// the current folder), within the folder's limit for a name.
std::string partNamePattern(const std::string& folder, const std::string& base);

// Removes the files of that pattern in `folder` that a dead writer of this user left.
void removeDeadParts(const std::string& folder);

}  // namespace coder
