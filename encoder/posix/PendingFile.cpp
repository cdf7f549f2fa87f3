// SPDX-License-Identifier: GPL-3.0-or-later
// The pending file on a POSIX system: a file without a name (O_TMPFILE) where the disk allows,
// else a temporary name that a signal's handler removes (SignalRemoval.h).
#include "PendingFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "PartFiles.h"
#include "PartNames.h"
#include "PendingState.h"
#include "SignalRemoval.h"

namespace coder {

namespace {

FileIdentity identityOf(const struct stat& st) {
    return {uint64_t(st.st_dev), uint64_t(st.st_ino)};
}

void adopt(PendingFile::State& s, int fd, const std::string& written) {
    s.fd = fd;
    s.written = written;
    s.regular = true;
    if (::fstat(fd, &s.own) != 0) {
        const int e = errno;
        ::close(fd);
        s.fd = -1;
        ::unlink(written.c_str());
        s.fail(TargetStep::Create, e);
    }
    s.owned = true;
    ::flock(fd, LOCK_EX);  // tells a later conversion that our temporary file is being written
    if (!s.unnamed) {
        removeOnTermination(s.written, s.own);
    }
}

void createBeside(PendingFile::State& s, mode_t mode, bool exactMode) {
    const auto slash = s.final.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : s.final.substr(0, slash + 1);
    const std::string name = s.final.substr(slash == std::string::npos ? 0 : slash + 1);
    const TargetStep step = s.replacing ? TargetStep::Replace : TargetStep::Create;
    // A name that the disk cannot hold fails now, not once everything has been converted.
    const long nameMax = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    if (nameMax > 0 && name.size() > size_t(nameMax)) {
        s.fail(step, ENAMETOOLONG);
    }
    removeDeadParts(folder);
    s.tempName = partNamePattern(folder, name);
    // A file without a name where the disk allows it: whatever ends the process, even
    // SIGKILL, it vanishes. It is given a name only once complete.
    int fd;
    do {
        fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    std::string written;
    if (fd >= 0) {
        s.unnamed = true;
    } else {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            s.fail(step, errno);
        }
        written = s.tempName;
        do {
            fd = ::mkostemps(written.data(), partSuffixLength(), O_CLOEXEC);  // mode 0600
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            s.fail(step, errno);
        }
        if (!exactMode) {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode &= ~mask;
        }
        exactMode = true;
    }
    if (exactMode) {
        ::fchmod(fd, mode);
    }
    adopt(s, fd, written);
}

void openDevice(PendingFile::State& s, const FileIdentity& input) {
    // A device such as /dev/null: written as it is, never truncated or removed. O_NONBLOCK
    // keeps a FIFO without a reader from blocking us; it is cleared below.
    int fd;
    do {
        fd = ::open(s.path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        s.fail(TargetStep::Open, errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || identityOf(st) == input) {
        ::close(fd);
        targetIsInput(s.path);
    }
    if (!S_ISCHR(st.st_mode)) {
        ::close(fd);
        targetIsNotRegular(s.path);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    s.fd = fd;
    s.regular = false;
    s.owned = false;
}

}  // namespace

void PendingFile::State::fail(TargetStep step, int err) const {
    failTarget(step, path, systemError(err));
}

PendingFile::PendingFile(const std::string& path, const FileIdentity& input, bool overwrite)
    : s_(std::make_unique<State>()) {
    State& s = *s_;
    s.path = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            s.fail(TargetStep::Create, errno);
        }
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            targetIsDanglingLink(path);
        }
        s.final = path;
        createBeside(s, 0666, false);
    } else if (identityOf(st) == input) {
        targetIsInput(path);
    } else if (!overwrite) {
        targetExists(path);
    } else if (S_ISDIR(st.st_mode)) {
        s.fail(TargetStep::Create, EISDIR);
    } else if (S_ISREG(st.st_mode)) {
        // The file itself is replaced when the target is a symbolic link, so that the link stays.
        char* real = ::realpath(path.c_str(), nullptr);
        if (!real) {
            s.fail(TargetStep::Replace, errno);
        }
        s.final = real;
        std::free(real);
        s.replacing = true;
        s.old = st;
        createBeside(s, st.st_mode & 0777, true);
    } else {
        openDevice(s, input);
    }
}

PendingFile::~PendingFile() {
    discard();
}

bool PendingFile::seekable() const {
    return s_->regular;
}

const SystemError& PendingFile::error() const {
    return s_->error;
}

bool PendingFile::write(const uint8_t* data, size_t size, int64_t offset) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(s_->fd, data + done, size - done, offset + int64_t(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == ESPIPE) {
            const ssize_t m = ::write(s_->fd, data + done, size - done);
            if (m > 0) {
                done += size_t(m);
                continue;
            }
        }
        if (n <= 0) {
            s_->error = systemError(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += size_t(n);
    }
    return true;
}

void PendingFile::discard() {
    State& s = *s_;
    if (s.fd >= 0) {
        ::close(s.fd);  // a file without a name vanishes with it
        s.fd = -1;
    }
    if (s.owned && !s.unnamed && !s.written.empty()) {
        keepOnTermination();
        struct stat st {};
        if (::stat(s.written.c_str(), &st) == 0 && sameFile(st, s.own)) {
            ::unlink(s.written.c_str());
        }
    }
    s.owned = false;
}

}  // namespace coder
