// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vm {

namespace {

constexpr char kPrefix[] = "vidmorf-";
constexpr int kAttempts = 8;

int openFolder(int at, const char* name) {
    return ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Empties and removes the folder `name` in `base`; `folder` is open on it and locked.
void removeLocked(int base, const char* name, int folder) {
    const int listing = ::dup(folder);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!dir) {
        if (listing >= 0) {
            ::close(listing);
        }
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            ::unlinkat(folder, entry->d_name, 0);  // a sub-folder stays, and so does ours
        }
    }
    ::closedir(dir);
    ::unlinkat(base, name, AT_REMOVEDIR);
}

}  // namespace

std::string TempFoldersBase() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string base = runtime && *runtime ? runtime : "/tmp";
    while (base.size() > 1 && base.back() == '/') {
        base.pop_back();
    }
    return base;
}

std::string MakeLockedTempFolder(int* lock) {
    const std::string base = TempFoldersBase();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string path = base + "/" + kPrefix + "XXXXXX";
        if (!::mkdtemp(path.data())) {  // mode 0700
            return {};
        }
        const int fd = openFolder(AT_FDCWD, path.c_str());
        if (fd < 0) {
            return {};
        }
        struct stat st;
        // Another copy may have found the folder unlocked before our lock and removed it.
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0) {
            *lock = fd;
            return path;
        }
        ::close(fd);
    }
    errno = EAGAIN;
    return {};
}

void RemoveAbandonedTempFolders() {
    const std::string baseName = TempFoldersBase();
    const int base = ::open(baseName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (base < 0) {
        return;
    }
    const int listing = ::dup(base);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!dir) {
        if (listing >= 0) {
            ::close(listing);
        }
        ::close(base);
        return;
    }
    const uid_t me = ::geteuid();
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, kPrefix, sizeof kPrefix - 1) != 0) {
            continue;
        }
        const int folder = openFolder(base, entry->d_name);
        if (folder < 0) {
            continue;  // not a folder, or a link
        }
        struct stat st;
        if (::fstat(folder, &st) == 0 && st.st_uid == me && (st.st_mode & 0777) == 0700 &&
            ::flock(folder, LOCK_EX | LOCK_NB) == 0) {
            removeLocked(base, entry->d_name, folder);
        }
        ::close(folder);
    }
    ::closedir(dir);
    ::close(base);
}

}  // namespace vm
