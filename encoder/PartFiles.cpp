// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace coder {

namespace {

const std::string kMarker = ".coder-";
const std::string kPart = ".part";
constexpr size_t kRandom = 6;

bool isAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The writer's process id in a name of our pattern; 0 for any other name.
pid_t writerOf(const std::string& name) {
    if (name.size() < kMarker.size() + 1 + 1 + kRandom + kPart.size() ||
        name.compare(name.size() - kPart.size(), kPart.size(), kPart) != 0) {
        return 0;
    }
    size_t end = name.size() - kPart.size();
    for (size_t i = end - kRandom; i < end; ++i) {
        if (!isAlnum(name[i])) {
            return 0;
        }
    }
    end -= kRandom;
    if (name[--end] != '-') {
        return 0;
    }
    size_t start = end;
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9') {
        --start;
    }
    if (start == end || end - start > 9 || start < kMarker.size() ||
        name.compare(start - kMarker.size(), kMarker.size(), kMarker) != 0) {
        return 0;
    }
    return pid_t(std::atol(name.substr(start, end - start).c_str()));
}

bool writerIsGone(pid_t pid) {
    return pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH);
}

}  // namespace

int partSuffixLength() {
    return int(kPart.size());
}

std::string partNamePattern(const std::string& folder, std::string base) {
    const std::string suffix = kMarker + std::to_string(::getpid()) + "-XXXXXX" + kPart;
    const long nameMax = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    const size_t limit = size_t(nameMax > 0 ? nameMax : 255);
    const size_t room = limit > suffix.size() ? limit - suffix.size() : 0;
    if (base.size() > room) {
        base.resize(room);
        while (!base.empty() && (static_cast<unsigned char>(base.back()) & 0xC0) == 0x80) {
            base.pop_back();  // do not leave half a character
        }
        if (!base.empty() && static_cast<unsigned char>(base.back()) >= 0xC0) {
            base.pop_back();
        }
    }
    return folder + base + suffix;
}

void removeDeadParts(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) {
        return;
    }
    const int at = ::dirfd(dir);
    const uid_t me = ::geteuid();
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t writer = writerOf(entry->d_name);
        if (writer <= 0 || !writerIsGone(writer)) {
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
