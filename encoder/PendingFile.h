// SPDX-License-Identifier: GPL-3.0-or-later
// The file a target is written into until it is complete, and what puts it in place.
//
// The target's name never holds a partial file. The file is written beside it, as a file that
// vanishes by itself should the process end (a file without a name, or one marked to be
// deleted when closed, where the disk allows; else under a temporary name, PartFiles.h), and
// only once complete and on the disk does it take the target's name: a new target only if the
// name is still free (a file that another program created there meanwhile is never written
// over), an existing one (-y) only if the name still holds the file that was there when we
// began. So a failed, stopped or killed conversion leaves the old file intact and never
// truncates a file that another conversion is still writing. Only a file that we created is
// ever removed. A device (a null device, say) is written as it is.
//
// Each system has its own (posix/, windows/); the checks' words are in Errors.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FileIdentity.h"
#include "SystemError.h"

namespace coder {

class PendingFile {
  public:
    // Checks the target `path` and creates the file beside it. `input` is the source, which
    // must never be written. Throws Failure with a message naming the target.
    PendingFile(const std::string& path, const FileIdentity& input, bool overwrite);
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();  // unfinished: discarded

    // False for a device, which is written in order and never sought in.
    bool seekable() const;
    // Writes all of `data` at `offset`; false when the system refused, then error() says why.
    bool write(const uint8_t* data, size_t size, int64_t offset);
    const SystemError& error() const;

    // Flushes the file to the disk and gives it the target's name; throws Failure when
    // anything was not written or the name was taken meanwhile.
    void finish();
    // Closes and removes what was written, if it is still the file we created.
    void discard();

    struct State;  // what the file is on this system

  private:
    std::unique_ptr<State> s_;
};

}  // namespace coder
