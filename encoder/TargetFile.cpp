// SPDX-License-Identifier: GPL-3.0-or-later
#include "TargetFile.h"

#include "Av.h"
#include "AvCompat.h"
#include "Errors.h"
#include "PartFiles.h"
#include "SignalRemoval.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

int writeCallback(void* opaque, AvioWriteBuffer buf, int size) {
    return static_cast<TargetFile*>(opaque)->writeBytes(buf, size);
}

int64_t seekCallback(void* opaque, int64_t offset, int whence) {
    return static_cast<TargetFile*>(opaque)->seekTo(offset, whence);
}

// Gives the unnamed file open as `fd` the name `name`, never over an existing file: by
// descriptor where allowed, else through its entry in /proc. 0 or an errno.
int linkUnnamed(int fd, const std::string& name) {
    if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
        return 0;
    }
    if (errno == EEXIST) {
        return EEXIST;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                            : errno;
}

// Renames `from` to `to` unless `to` exists. 0 or an errno (EEXIST when it exists).
int renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // A disk without it: a second name, then the first goes.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        return errno;
    }
    // Nor with links (FAT): look, then rename.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        return EEXIST;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}
}  // namespace

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

TargetFile::~TargetFile() {
    discard();
}

void TargetFile::fail(const std::string& what, int err) const {
    throw Failure(what + " " + quotedPath(path_) + ": " + fileProblem(err));
}

void TargetFile::takenMeanwhile() const {
    throw Failure("output file " + quotedPath(path_) +
                  " was created or replaced by another program during the conversion; it was "
                  "left as it is");
}

void TargetFile::open(const std::string& path, const struct stat& input, bool overwrite) {
    path_ = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            fail("cannot create output file", errno);
        }
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            throw Failure("output file " + quotedPath(path_) +
                          " is a link to a file that does not exist; refusing to create a file "
                          "through it");
        }
        final_ = path;
        createBeside(0666, false);
    } else if (sameFile(st, input)) {
        throw Failure("output file " + quotedPath(path) +
                      " is the input file itself; refusing to write it");
    } else if (!overwrite) {
        throw Failure("output file " + quotedPath(path) + " already exists (use -y to replace it)");
    } else if (S_ISDIR(st.st_mode)) {
        fail("cannot create output file", EISDIR);
    } else if (S_ISREG(st.st_mode)) {
        // The file itself is replaced when the target is a symbolic link, so that the link stays.
        char* real = ::realpath(path_.c_str(), nullptr);
        if (!real) {
            fail("cannot replace output file", errno);
        }
        final_ = real;
        std::free(real);
        replacing_ = true;
        old_ = st;
        createBeside(st.st_mode & 0777, true);
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

void TargetFile::createBeside(mode_t mode, bool exactMode) {
    const auto slash = final_.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : final_.substr(0, slash + 1);
    const std::string name = final_.substr(slash == std::string::npos ? 0 : slash + 1);
    const char* what = replacing_ ? "cannot replace output file" : "cannot create output file";
    // A name that the disk cannot hold fails now, not once everything has been converted.
    const long nameMax = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    if (nameMax > 0 && name.size() > size_t(nameMax)) {
        fail(what, ENAMETOOLONG);
    }
    removeDeadParts(folder);
    tempName_ = partNamePattern(folder, name);
    // A file without a name where the disk allows it: whatever ends the process, even
    // SIGKILL, it vanishes. It is given a name only once complete.
    int fd;
    do {
        fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        unnamed_ = true;
    } else {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            fail(what, errno);
        }
        std::string temp = tempName_;
        do {
            fd = ::mkostemps(temp.data(), partSuffixLength(), O_CLOEXEC);  // mode 0600
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            fail(what, errno);
        }
        if (!exactMode) {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode &= ~mask;
        }
        exactMode = true;
        written_ = temp;
    }
    if (exactMode) {
        ::fchmod(fd, mode);
    }
    adopt(fd, written_);
}

int TargetFile::giveName() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = tempName_;
        unsigned char random[6] = {};
        if (::getrandom(random, sizeof random, 0) != ssize_t(sizeof random)) {
            return errno ? errno : EIO;
        }
        static const char kLetters[] =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        const size_t x = name.size() - size_t(partSuffixLength()) - sizeof random;
        for (size_t i = 0; i < sizeof random; ++i) {
            name[x + i] = kLetters[random[i] % (sizeof kLetters - 1)];
        }
        const int err = linkUnnamed(fd_, name);
        if (err == 0) {
            written_ = name;
            unnamed_ = false;
            removeOnTermination(written_, own_);
            return 0;
        }
        if (err != EEXIST) {
            return err;
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
        throw Failure("output file " + quotedPath(path_) +
                      " is the input file itself; refusing to write it");
    }
    if (!S_ISCHR(st.st_mode)) {
        ::close(fd);
        throw Failure("output file " + quotedPath(path_) + " is not a regular file");
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
    ::flock(fd, LOCK_EX);  // tells a later conversion that our temporary file is being written
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
    if (!regular_) {  // a device, written as it is
        if (::close(fd_) != 0 && !e) {
            e = errno;
        }
        fd_ = -1;
        if (e) {
            fail("cannot write output file", e);
        }
        return;
    }
    // The complete file reaches the disk before it takes the target's name.
    if (!e && ::fsync(fd_) != 0) {
        e = errno;
    }
    if (e) {
        fail("cannot write output file", e);  // discard() removes what was written
    }
    if (unnamed_) {
        placeUnnamed();
    } else {
        placeNamed();
    }
    owned_ = false;  // complete and in place: nothing left to discard
    keepOnTermination();
}

void TargetFile::closeWritten() {
    const int e = ::close(fd_) == 0 ? 0 : errno;
    fd_ = -1;
    if (e) {
        fail("cannot write output file", e);
    }
}

void TargetFile::placeUnnamed() {
    if (replacing_) {
        // No link can take the place of a file: a temporary name first, then a rename.
        if (const int err = giveName()) {
            fail("cannot replace output file", err);
        }
        placeNamed();
        return;
    }
    const int err = linkUnnamed(fd_, final_);
    if (err == EEXIST) {
        takenMeanwhile();
    }
    if (err) {
        fail("cannot create output file", err);
    }
    written_ = final_;  // until closed, a failure removes it again
    unnamed_ = false;
    closeWritten();
}

void TargetFile::placeNamed() {
    closeWritten();
    struct stat st {};
    if (::stat(written_.c_str(), &st) != 0 || !sameFile(st, own_)) {
        owned_ = false;  // not ours any more: never remove it
        throw Failure("output file " + quotedPath(path_) +
                      " was replaced or removed by another program during the conversion");
    }
    int err = 0;
    struct stat now {};
    if (!replacing_ || ::lstat(final_.c_str(), &now) != 0) {
        err = renameNoReplace(written_, final_);  // a free name, or the old file has gone
    } else if (sameFile(now, old_)) {
        err = ::rename(written_.c_str(), final_.c_str()) == 0 ? 0 : errno;
    } else {
        err = EEXIST;
    }
    if (err == EEXIST) {
        takenMeanwhile();
    }
    if (err) {
        fail(replacing_ ? "cannot replace output file" : "cannot create output file", err);
    }
}

void TargetFile::discard() {
    release();
    if (fd_ >= 0) {
        ::close(fd_);  // a file without a name vanishes with it
        fd_ = -1;
    }
    if (owned_ && !unnamed_ && !written_.empty()) {
        keepOnTermination();
        struct stat st {};
        if (::stat(written_.c_str(), &st) == 0 && sameFile(st, own_)) {
            ::unlink(written_.c_str());
        }
    }
    owned_ = false;
}

}  // namespace coder
