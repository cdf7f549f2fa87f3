// SPDX-License-Identifier: GPL-3.0-or-later
// The output file: opened by us (never through a URL protocol), refused when it is the
// input itself, written through an AVIOContext that reports every write error, and closed
// with its result checked.
//
// A target that does not exist is created exclusively, so a file that another program
// creates under the same name meanwhile is never written over. An existing target that may
// be replaced (-y) is left as it is while we write: the new file is written beside it, as a
// file without a name where the disk allows (else under a temporary name), and renamed over
// it only once complete, so a failed or killed conversion leaves the old file intact and
// never truncates a file that another conversion is still writing. Only a file that we
// created is ever removed, also when we are terminated by a signal.
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

    // Flushes and closes, and puts a replacement in place; throws Failure when anything was
    // not written.
    void close();
    // Closes and removes what was written, if it is the regular file we created.
    void discard();

    // Internal: the AVIOContext callbacks.
    int writeBytes(const uint8_t* buf, int size);
    int64_t seekTo(int64_t offset, int whence);

  private:
    void createFresh();
    void createBeside(const struct stat& old);
    void openDevice(const struct stat& input);
    void adopt(int fd, const std::string& written);
    int giveName();  // links an unnamed file into the folder; 0 or an errno
    void release();
    void fail(const std::string& what, int err) const;

    std::string path_;      // the target as given
    std::string written_;   // the file we write: the target itself, or a temporary beside it
    std::string replace_;   // when writing beside: the file that the finished one replaces
    std::string tempName_;  // when writing beside: the pattern of its temporary name
    bool unnamed_ = false;  // writing beside, into a file that has no name yet
    int fd_ = -1;
    AVIOContext* io_ = nullptr;
    bool regular_ = false;
    bool owned_ = false;  // a regular file we created and have not completed
    struct stat own_ {};
    int64_t pos_ = 0;
    int64_t size_ = 0;
    int error_ = 0;  // first errno of a failed write or seek
};

// True when both name the same file (device and inode).
bool sameFile(const struct stat& a, const struct stat& b);

}  // namespace coder
