// SPDX-License-Identifier: GPL-3.0-or-later
#include "TargetFile.h"

#include "Av.h"
#include "AvCompat.h"
#include "Errors.h"
#include "SignalRemoval.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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
const std::string kTempPart = ".part";
const std::string kTempSuffix = ".XXXXXX" + kTempPart;

int writeCallback(void* opaque, AvioWriteBuffer buf, int size) {
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

void TargetFile::fail(const std::string& what, int err) const {
    throw Failure(what + " " + quoted(path_) + ": " + fileProblem(err));
}

void TargetFile::open(const std::string& path, const struct stat& input, bool overwrite) {
    path_ = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            fail("cannot create output file", errno);
        }
        createFresh();
    } else if (sameFile(st, input)) {
        throw Failure("output file " + quoted(path) +
                      " is the input file itself; refusing to write it");
    } else if (!overwrite) {
        throw Failure("output file " + quoted(path) + " already exists (use -y to replace it)");
    } else if (S_ISDIR(st.st_mode)) {
        fail("cannot create output file", EISDIR);
    } else if (S_ISREG(st.st_mode)) {
        createBeside(st);
    } else {
        openDevice(input);
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
    // libavformat marks a point to flush at after every packet it writes, and the ASF muxer
    // after each of its own packets as well. Below this much the marks are passed over: one
    // system call for each full buffer instead of one for each picture and audio frame.
    io_->min_packet_size = kBufferSize;
}

void TargetFile::createFresh() {
    int fd;
    do {
        fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    struct stat link {};
    if (fd < 0 && errno == EEXIST && ::lstat(path_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        throw Failure("output file " + quoted(path_) +
                      " is a link to a file that does not exist; refusing to create a file "
                      "through it");
    }
    if (fd < 0 && errno == EEXIST) {
        throw Failure("output file " + quoted(path_) +
                      " was created by another program while this conversion started (two "
                      "conversions to one name?); it was left as it is");
    }
    if (fd < 0) {
        fail("cannot create output file", errno);
    }
    adopt(fd, path_);
}

void TargetFile::createBeside(const struct stat& old) {
    // Beside the file itself when the target is a symbolic link, so that the link stays.
    char* real = ::realpath(path_.c_str(), nullptr);
    if (!real) {
        fail("cannot replace output file", errno);
    }
    replace_ = real;
    std::free(real);
    const auto slash = replace_.rfind('/');
    const std::string folder = replace_.substr(0, slash + 1);
    std::string base = replace_.substr(slash + 1);
    const long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    const size_t room = size_t(nameMax > 0 ? nameMax : 255) - kTempSuffix.size();
    if (base.size() > room) {
        base.resize(room);
        while (!base.empty() && (static_cast<unsigned char>(base.back()) & 0xC0) == 0x80) {
            base.pop_back();  // do not leave half a character
        }
        if (!base.empty() && static_cast<unsigned char>(base.back()) >= 0xC0) {
            base.pop_back();
        }
    }
    tempName_ = folder + base + kTempSuffix;
    const mode_t mode = old.st_mode & 0777;
    // A file without a name where the disk allows it: whatever ends the process, even
    // SIGKILL, it vanishes. It is given a name only once complete.
    int fd;
    do {
        fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        unnamed_ = true;
        adopt(fd, std::string());
        return;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        fail("cannot replace output file", errno);
    }
    std::string temp = tempName_;
    do {
        fd = ::mkostemps(temp.data(), int(kTempPart.size()), O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail("cannot replace output file", errno);
    }
    ::fchmod(fd, mode);
    adopt(fd, temp);
}

int TargetFile::giveName() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = tempName_;
        unsigned char random[6] = {};
        if (::getrandom(random, sizeof random, 0) != ssize_t(sizeof random)) {
            return errno ? errno : EIO;
        }
        static const char kLetters[] =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        const size_t x = name.size() - kTempSuffix.size() + 1;
        for (size_t i = 0; i < sizeof random; ++i) {
            name[x + i] = kLetters[random[i] % (sizeof kLetters - 1)];
        }
        // By descriptor where allowed, else through its entry in /proc.
        int ret = ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
        if (ret != 0 && errno != EEXIST) {
            ret = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
        }
        if (ret == 0) {
            written_ = name;
            unnamed_ = false;
            removeOnTermination(written_, own_);
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

void TargetFile::openDevice(const struct stat& input) {
    // A device such as /dev/null: written as it is, never truncated or removed. O_NONBLOCK
    // keeps a FIFO without a reader from blocking us; it is cleared below.
    int fd;
    do {
        fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail("cannot open output file", errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || sameFile(st, input)) {
        ::close(fd);
        throw Failure("output file " + quoted(path_) +
                      " is the input file itself; refusing to write it");
    }
    if (!S_ISCHR(st.st_mode)) {
        ::close(fd);
        throw Failure("output file " + quoted(path_) + " is not a regular file");
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fd_ = fd;
    regular_ = false;
    owned_ = false;
}

void TargetFile::adopt(int fd, const std::string& written) {
    fd_ = fd;
    written_ = written;
    regular_ = true;
    if (::fstat(fd, &own_) != 0) {
        const int e = errno;
        ::close(fd);
        fd_ = -1;
        ::unlink(written.c_str());
        fail("cannot create output file", e);
    }
    owned_ = true;
    if (!unnamed_) {
        removeOnTermination(written_, own_);
    }
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
    // A replacement reaches the disk before it takes the old file's name.
    if (!e && !replace_.empty() && ::fsync(fd_) != 0) {
        e = errno;
    }
    if (!e && unnamed_) {
        e = giveName();
    }
    if (::close(fd_) != 0 && !e) {
        e = errno;
    }
    fd_ = -1;
    if (e) {
        fail("cannot write output file", e);
    }
    if (!owned_ || unnamed_) {
        return;  // a device; or nothing was written, and the unnamed file is gone
    }
    struct stat st {};
    if (::stat(written_.c_str(), &st) != 0 || !sameFile(st, own_)) {
        owned_ = false;  // not ours any more: never remove it
        throw Failure("output file " + quoted(path_) +
                      " was replaced or removed by another program during the conversion");
    }
    if (!replace_.empty() && ::rename(written_.c_str(), replace_.c_str()) != 0) {
        fail("cannot replace output file", errno);
    }
    owned_ = false;  // complete: nothing left to discard
    keepOnTermination();
}

void TargetFile::discard() {
    release();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (owned_ && !unnamed_) {
        keepOnTermination();
        struct stat st {};
        if (::stat(written_.c_str(), &st) == 0 && sameFile(st, own_)) {
            ::unlink(written_.c_str());
        }
        owned_ = false;
    }
}

}  // namespace coder
