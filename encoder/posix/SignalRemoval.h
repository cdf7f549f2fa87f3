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
// The complete file is about to take the target's name: from now on a request to stop (any of
// the signals above but a fault's) is let pass, so that the process goes on to report the
// conversion done. Else a stop in the moment between the name and the report would end a
// conversion whose target is complete, as one that failed. Faults still end it; a kill, too.
void finishDespiteStops();
// A write past the file-size limit (ulimit -f) then fails with EFBIG instead of ending the
// process with SIGXFSZ, so the conversion ends as a failure that says so.
void ignoreFileSizeSignal();

}  // namespace coder
