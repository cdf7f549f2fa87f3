// SPDX-License-Identifier: GPL-3.0-or-later
// The output file: opened by us (never through a URL protocol), refused when it is the
// input itself, written through an AVIOContext that reports every write error, and closed
// with its result checked.
//
// The target's name never holds a partial file. The file is written beside it, as a file
// without a name where the disk allows (else under a temporary name, PartFiles.h), and only
// once complete and on the disk does it take the target's name: a new target only if the name
// is still free (a file that another program created there meanwhile is never written over),
// an existing one (-y) only if the name still holds the file that was there when we began.
// So a failed, stopped or killed conversion leaves the old file intact and never truncates a
// file that another conversion is still writing. Only a file that we created is ever removed,
// also when we are ended by a signal.
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

    // Flushes and closes, and puts the complete file in place; throws Failure when anything
    // was not written or the name was taken meanwhile.
    void close();
    // Closes and removes what was written, if it is the regular file we created.
    void discard();

    // Internal: the AVIOContext callbacks.
    int writeBytes(const uint8_t* buf, int size);
    int64_t seekTo(int64_t offset, int whence);

  private:
    void createBeside(mode_t mode, bool exactMode);
    void openDevice(const struct stat& input);
    void adopt(int fd, const std::string& written);
    int giveName();  // links an unnamed file into the folder; 0 or an errno
    void placeUnnamed();
    void placeNamed();
    void closeWritten();
    void release();
    [[noreturn]] void fail(const std::string& what, int err) const;
    [[noreturn]] void takenMeanwhile() const;

    std::string path_;      // the target as given
    std::string final_;     // the name the complete file takes (a link's file when replacing)
    std::string written_;   // the temporary name we write under; empty while there is none
    std::string tempName_;  // the pattern of the temporary name
    bool replacing_ = false;
    struct stat old_ {};    // when replacing: the file that the complete one replaces
    bool unnamed_ = false;  // writing into a file that has no name yet
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
