// SPDX-License-Identifier: GPL-3.0-or-later
// Temporary names (PartNames.h) on Windows. The writer holds its file open without letting
// anyone delete it, and marked to be deleted once closed; a file of the pattern that can be
// deleted and whose writer no longer runs was left behind in the moment between that mark
// being taken off and the file taking its name.
#pragma once

#include <string>

namespace coder {

// The pattern of a temporary name beside `base` in `folder` (which ends in a separator, or is
// empty for the current folder).
std::string partNamePattern(const std::string& folder, const std::string& base);

// Removes the files of that pattern in `folder` whose writer no longer runs.
void removeDeadParts(const std::string& folder);

}  // namespace coder
