// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "PartNames.h"

namespace coder {

namespace {

bool writerIsGone(pid_t pid) {
    return pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH);
}

}  // namespace

std::string partNamePattern(const std::string& folder, const std::string& base) {
    const long nameMax = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return partNamePattern(folder, base, long(::getpid()), size_t(nameMax > 0 ? nameMax : 255));
}

void removeDeadParts(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) {
        return;
    }
    const int at = ::dirfd(dir);
    const uid_t me = ::geteuid();
    while (const dirent* entry = ::readdir(dir)) {
        const long writer = partWriter(entry->d_name);
        if (writer <= 0 || !writerIsGone(pid_t(writer))) {
            continue;
        }
        const int fd =
            ::openat(at, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat held {};
        struct stat named {};
        // A writer that still runs (under another process id space, say) holds the lock.
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == me &&
            held.st_nlink == 1 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(at, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
            ::unlinkat(at, entry->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

}  // namespace coder
