// SPDX-License-Identifier: GPL-3.0-or-later
// The output file: opened by us (never through a URL protocol), refused when it is the
// input itself, written through an AVIOContext that reports every write error, and closed
// with its result checked. A failed target is removed.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

struct AVIOContext;

namespace coder {

class TargetFile {
  public:
    TargetFile() = default;
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;
    ~TargetFile();  // an unclosed target counts as failed: it is discarded

    // Opens `path` for writing. `input` is the stat of the source, which must never be
    // opened for writing. Throws Failure with a message naming the file.
    void open(const std::string& path, const struct stat& input, bool overwrite);

    AVIOContext* io() const { return io_; }
    int64_t bytesWritten() const { return size_; }  // the file's size as far as flushed

    // Flushes and closes; throws Failure when anything was not written.
    void close();
    // Closes and removes what was written, if it is the regular file we created.
    void discard();

    // Internal: the AVIOContext callbacks.
    int writeBytes(const uint8_t* buf, int size);
    int64_t seekTo(int64_t offset, int whence);

  private:
    void release();

    std::string path_;
    int fd_ = -1;
    AVIOContext* io_ = nullptr;
    bool regular_ = false;
    bool owned_ = false;  // a regular file we opened and have not completed
    struct stat own_ {};
    int64_t pos_ = 0;
    int64_t size_ = 0;
    int error_ = 0;  // first errno of a failed write or seek
};

// True when both name the same file (device and inode).
bool sameFile(const struct stat& a, const struct stat& b);

}  // namespace coder
