// SPDX-License-Identifier: GPL-3.0-or-later
// The temporary names under which a target is written where the disk has no files without a
// name: "NAME.coder-PID-XXXXXX.part" beside the target, PID being the writer's process, which
// holds a lock (flock) on the file while it writes. A file of that pattern whose owner is this
// user, whose writer no longer runs and whose lock is free was left by a conversion that was
// killed; the next conversion into that folder removes it. Nothing else is ever removed.
#pragma once

#include <string>

namespace coder {

// The pattern (ending in "XXXXXX.part", for mkostemps) of a temporary name beside `base` in
// `folder` (which ends in '/', or is empty for the current folder); `base` is shortened, at a
// character boundary, where the name would exceed the folder's limit.
std::string partNamePattern(const std::string& folder, std::string base);
// The length of ".part", the part of the pattern after XXXXXX.
int partSuffixLength();

// Removes the files of that pattern in `folder` that a dead writer of this user left.
void removeDeadParts(const std::string& folder);

}  // namespace coder
