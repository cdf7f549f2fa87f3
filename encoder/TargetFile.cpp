// SPDX-License-Identifier: GPL-3.0-or-later
#include "TargetFile.h"

#include "Av.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace coder {

namespace {
constexpr int kBufferSize = 64 * 1024;

int writeCallback(void* opaque, uint8_t* buf, int size) {
    return static_cast<TargetFile*>(opaque)->writeBytes(buf, size);
}

int64_t seekCallback(void* opaque, int64_t offset, int whence) {
    return static_cast<TargetFile*>(opaque)->seekTo(offset, whence);
}
}  // namespace

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

TargetFile::~TargetFile() {
    discard();
}

void TargetFile::open(const std::string& path, const struct stat& input, bool overwrite) {
    path_ = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (sameFile(st, input)) {
            throw Failure("output file " + quoted(path) +
                          " is the input file itself; refusing to write it");
        }
        if (!overwrite) {
            throw Failure("output file " + quoted(path) + " already exists (use -y to replace it)");
        }
    }
    // No O_TRUNC yet: first make sure that what we opened is not the input. O_NONBLOCK keeps
    // a FIFO without a reader from blocking us; it is cleared below.
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | (overwrite ? 0 : O_EXCL);
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int e = errno;
        throw Failure("cannot create output file " + quoted(path) + ": " + std::strerror(e));
    }
    if (::fstat(fd, &st) != 0 || sameFile(st, input)) {
        ::close(fd);
        throw Failure("output file " + quoted(path) +
                      " is the input file itself; refusing to write it");
    }
    if (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode)) {
        ::close(fd);
        throw Failure("output file " + quoted(path) + " is not a regular file");
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fd_ = fd;
    regular_ = S_ISREG(st.st_mode);
    owned_ = regular_;  // a device such as /dev/null is never removed
    own_ = st;
    if (regular_ && ::ftruncate(fd, 0) != 0) {
        const int e = errno;
        throw Failure("cannot truncate output file " + quoted(path) + ": " + std::strerror(e));
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    io_ = buffer ? avio_alloc_context(buffer, kBufferSize, 1, this, nullptr, writeCallback,
                                      regular_ ? seekCallback : nullptr)
                 : nullptr;
    if (!io_) {
        av_free(buffer);
        throw Failure("out of memory");
    }
    io_->seekable = regular_ ? AVIO_SEEKABLE_NORMAL : 0;
}

int TargetFile::writeBytes(const uint8_t* buf, int size) {
    if (error_) {
        return AVERROR(error_);
    }
    int done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd_, buf + done, size_t(size - done), pos_);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == ESPIPE) {
            const ssize_t m = ::write(fd_, buf + done, size_t(size - done));
            if (m > 0) {
                done += int(m);
                pos_ += m;
                continue;
            }
        }
        if (n <= 0) {
            error_ = n < 0 ? errno : ENOSPC;
            return AVERROR(error_);
        }
        done += int(n);
        pos_ += n;
    }
    if (pos_ > size_) {
        size_ = pos_;
    }
    return size;
}

int64_t TargetFile::seekTo(int64_t offset, int whence) {
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return size_;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            offset += pos_;
            break;
        case SEEK_END:
            offset += size_;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (offset < 0) {
        return AVERROR(EINVAL);
    }
    pos_ = offset;
    return pos_;
}

void TargetFile::release() {
    if (io_) {
        av_freep(&io_->buffer);  // the context may have replaced the buffer we gave it
        avio_context_free(&io_);
    }
}

void TargetFile::close() {
    if (fd_ < 0) {
        return;
    }
    avio_flush(io_);
    int e = error_;
    if (!e && io_->error < 0) {
        e = EIO;
    }
    release();
    if (::close(fd_) != 0 && !e) {
        e = errno;
    }
    fd_ = -1;
    if (e) {
        throw Failure("cannot write output file " + quoted(path_) + ": " + std::strerror(e));
    }
    owned_ = false;  // complete: nothing left to discard
}

void TargetFile::discard() {
    release();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (owned_) {
        struct stat st {};
        if (::stat(path_.c_str(), &st) == 0 && sameFile(st, own_)) {
            ::unlink(path_.c_str());
        }
        owned_ = false;
    }
}

}  // namespace coder
