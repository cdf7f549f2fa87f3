// SPDX-License-Identifier: GPL-3.0-or-later
// The temporary names under which a target is written where the disk cannot hide an
// unfinished file: "NAME.coder-PID-XXXXXX.part" beside the target, PID being the writer's
// process. A file of that pattern whose writer no longer runs, and that nobody holds, was
// left by a conversion that was killed; the next conversion into that folder removes it
// (PartFiles.h of each system). Nothing else is ever removed.
#pragma once

#include <cstddef>
#include <string>

namespace coder {

// The pattern (ending in "XXXXXX.part", the Xs to be replaced) of a temporary name beside
// `base` in `folder` (which ends in a separator, or is empty for the current folder), written
// by process `pid`; `base` is shortened, at a character boundary, where the name would exceed
// `nameMax` bytes.
std::string partNamePattern(const std::string& folder, std::string base, long pid, size_t nameMax);
// The length of ".part", the part of the pattern after XXXXXX.
int partSuffixLength();
// Replaces the pattern's XXXXXX with letters and digits picked by the six bytes of `random`.
void fillPartName(std::string& pattern, const unsigned char (&random)[6]);
// The writer's process id in a name of that pattern; 0 for any other name.
long partWriter(const std::string& name);

}  // namespace coder
