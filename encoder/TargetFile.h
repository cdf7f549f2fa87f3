// SPDX-License-Identifier: GPL-3.0-or-later
// The output file as the muxer writes it: an AVIOContext over the pending file (PendingFile.h),
// opened by us (never through a URL protocol), reporting every write error, and closed with
// its result checked.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "FileIdentity.h"
#include "PendingFile.h"

struct AVIOContext;

namespace coder {

class TargetFile {
  public:
    TargetFile() = default;
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;
    ~TargetFile();  // an unclosed target counts as failed: it is discarded

    // Opens `path` for writing; `input` is the source, which must never be opened for
    // writing. Throws Failure with a message naming the file.
    void open(const std::string& path, const FileIdentity& input, bool overwrite);

    AVIOContext* io() const { return io_; }
    int64_t bytesWritten() const { return size_; }  // the file's size as far as flushed

    // What a failed write of the muxer's (`averror`) means: the system's refusal when the
    // disk refused us, else FFmpeg's own words.
    std::string writeProblem(int averror) const;

    // Flushes and closes, and puts the complete file in place; throws Failure when anything
    // was not written or the name was taken meanwhile.
    void close();
    // Closes and removes what was written, if it is the file we created.
    void discard();

    // Internal: the AVIOContext callbacks.
    int writeBytes(const uint8_t* buf, int size);
    int64_t seekTo(int64_t offset, int whence);

  private:
    void release();

    std::string path_;
    std::unique_ptr<PendingFile> file_;
    AVIOContext* io_ = nullptr;
    int64_t pos_ = 0;
    int64_t size_ = 0;
    bool failed_ = false;  // a write or seek failed: the file is not complete
};

}  // namespace coder
