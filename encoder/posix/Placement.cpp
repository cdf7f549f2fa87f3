// SPDX-License-Identifier: GPL-3.0-or-later
// The complete file takes the target's name on a POSIX system: linked in if it has no name,
// renamed without replacing for a new target, renamed over the old file only while it is
// still the one that was there when we began.
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "PartNames.h"
#include "PendingState.h"
#include "SignalRemoval.h"

namespace coder {

namespace {

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

void PendingFile::finish() {
    State& s = *s_;
    if (s.fd < 0) {
        return;
    }
    if (!s.regular) {  // a device, written as it is
        const int e = ::close(s.fd) == 0 ? 0 : errno;
        s.fd = -1;
        if (e) {
            s.fail(TargetStep::Write, e);
        }
        return;
    }
    // The complete file reaches the disk before it takes the target's name.
    if (::fsync(s.fd) != 0) {
        s.fail(TargetStep::Write, errno);  // discard() removes what was written
    }
    finishDespiteStops();  // a stop now would leave a complete target behind a failure
    if (s.unnamed) {
        s.placeUnnamed();
    } else {
        s.placeNamed();
    }
    s.owned = false;  // complete and in place: nothing left to discard
}

int PendingFile::State::giveName() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = tempName;
        unsigned char random[6] = {};
        if (::getrandom(random, sizeof random, 0) != ssize_t(sizeof random)) {
            return errno ? errno : EIO;
        }
        fillPartName(name, random);
        const int err = linkUnnamed(fd, name);
        if (err == 0) {
            written = name;
            unnamed = false;
            removeOnTermination(written, own);
            return 0;
        }
        if (err != EEXIST) {
            return err;
        }
    }
    return EEXIST;
}

void PendingFile::State::closeWritten() {
    const int e = ::close(fd) == 0 ? 0 : errno;
    fd = -1;
    if (e) {
        fail(TargetStep::Write, e);
    }
}

void PendingFile::State::placeUnnamed() {
    if (replacing) {
        // No link can take the place of a file: a temporary name first, then a rename.
        if (const int err = giveName()) {
            fail(TargetStep::Replace, err);
        }
        placeNamed();
        return;
    }
    const int err = linkUnnamed(fd, final);
    if (err == EEXIST) {
        targetTakenMeanwhile(path);
    }
    if (err) {
        fail(TargetStep::Create, err);
    }
    written = final;  // until closed, a failure removes it again
    unnamed = false;
    closeWritten();
}

void PendingFile::State::placeNamed() {
    closeWritten();
    struct stat st {};
    if (::stat(written.c_str(), &st) != 0 || !sameFile(st, own)) {
        owned = false;  // not ours any more: never remove it
        targetReplacedOrRemoved(path);
    }
    int err = 0;
    struct stat now {};
    if (!replacing || ::lstat(final.c_str(), &now) != 0) {
        err = renameNoReplace(written, final);  // a free name, or the old file has gone
    } else if (sameFile(now, old)) {
        err = ::rename(written.c_str(), final.c_str()) == 0 ? 0 : errno;
    } else {
        err = EEXIST;
    }
    if (err == EEXIST) {
        targetTakenMeanwhile(path);
    }
    if (err) {
        fail(replacing ? TargetStep::Replace : TargetStep::Create, err);
    }
}

}  // namespace coder
