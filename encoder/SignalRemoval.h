// SPDX-License-Identifier: GPL-3.0-or-later
// Removes the unfinished file of ours when the process is ended by SIGTERM, SIGINT or
// SIGHUP, or crashes, so that a stopped conversion leaves no partial file behind. One file
// at a time.
#pragma once

#include <sys/stat.h>

#include <string>

namespace coder {

// From now on a terminating signal removes `path`, if it is still the file `st`.
void removeOnTermination(const std::string& path, const struct stat& st);
// The file is complete (or already gone): a signal leaves it alone.
void keepOnTermination();

}  // namespace coder
