// SPDX-License-Identifier: GPL-3.0-or-later
// Removes the unfinished file of ours when the process is ended by any signal that it can
// catch and whose default is to end it (SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM,
// the real-time signals and the like), or crashes, so that a stopped conversion leaves no
// partial file behind. One file at a time. SIGXFSZ is not among them: a file-size limit makes
// the write fail, which is reported as such (see ignoreFileSizeSignal).
#pragma once

#include <sys/stat.h>

#include <string>

namespace coder {

// From now on a terminating signal removes `path`, if it is still the file `st`.
void removeOnTermination(const std::string& path, const struct stat& st);
// The file is complete (or already gone): a signal leaves it alone.
void keepOnTermination();
// A write past the file-size limit (ulimit -f) then fails with EFBIG instead of ending the
// process with SIGXFSZ, so the conversion ends as a failure that says so.
void ignoreFileSizeSignal();

}  // namespace coder
