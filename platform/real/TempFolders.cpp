// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "contract/EncoderContract.h"

namespace vm {

namespace {

constexpr char kPrefix[] = "vidmorf-temp-";
constexpr size_t kPrefixLength = sizeof kPrefix - 1;
constexpr size_t kRandomLength = 6;  // mkdtemp's XXXXXX
constexpr char kMark[] = ".vidmorf-temp";
// What a job leaves in the folder; nothing else is ever removed from it.
constexpr const char* kJobFiles[] = {contract::kScriptFile.data(), contract::kLogFile.data()};
constexpr int kAttempts = 8;

int openFolder(int at, const char* name) {
    return ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

bool hasOurName(const char* name) {
    if (std::strncmp(name, kPrefix, kPrefixLength) != 0 ||
        std::strlen(name) != kPrefixLength + kRandomLength) {
        return false;
    }
    for (const char* c = name + kPrefixLength; *c; ++c) {
        const bool alnum =
            (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9');
        if (!alnum) {
            return false;
        }
    }
    return true;
}

// The mark's text for the folder `st`: it can only have been written into that very folder.
int markText(const struct stat& st, char* text, size_t size) {
    return std::snprintf(text, size, "vidmorf temp folder %llu:%llu\n",
                         static_cast<unsigned long long>(st.st_dev),
                         static_cast<unsigned long long>(st.st_ino));
}

bool writeMark(int folder) {
    struct stat st;
    char text[96];
    if (::fstat(folder, &st) != 0) {
        return false;
    }
    const int length = markText(st, text, sizeof text);
    const int fd =
        ::openat(folder, kMark, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written = ::write(fd, text, size_t(length)) == length;
    return ::close(fd) == 0 && written;
}

// The folder (open, locked, owned by us) carries our mark.
bool carriesOurMark(int folder, const struct stat& folderStat) {
    const int fd = ::openat(folder, kMark, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st;
    char expected[96];
    char text[96] = {};
    const int length = markText(folderStat, expected, sizeof expected);
    const bool ours = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                      st.st_nlink == 1 && st.st_size == length &&
                      ::read(fd, text, sizeof text - 1) == length &&
                      std::memcmp(text, expected, size_t(length)) == 0;
    ::close(fd);
    return ours;
}

bool isJobFile(const char* name) {
    for (const char* file : kJobFiles) {
        if (std::strcmp(name, file) == 0) {
            return true;
        }
    }
    return false;
}

// The folder holds nothing but the job's files (as files or links) and the mark.
bool holdsOnlyOurs(int folder) {
    const int listing = ::dup(folder);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!dir) {
        if (listing >= 0) {
            ::close(listing);
        }
        return false;
    }
    ::rewinddir(dir);
    bool only = true;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 ||
            std::strcmp(name, kMark) == 0) {
            continue;
        }
        struct stat st;
        if (!isJobFile(name) || ::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
            only = false;
            break;
        }
    }
    ::closedir(dir);
    return only;
}

// Removes the folder `name` in `base`, open as `folder` and locked by us, if it holds only
// what a job of ours leaves there. 0 or an errno.
int removeMarked(int base, const char* name, int folder) {
    if (!holdsOnlyOurs(folder)) {
        return ENOTEMPTY;
    }
    for (const char* file : kJobFiles) {
        if (::unlinkat(folder, file, 0) != 0 && errno != ENOENT) {
            return errno;
        }
    }
    if (::unlinkat(folder, kMark, 0) != 0 && errno != ENOENT) {
        return errno;
    }
    return ::unlinkat(base, name, AT_REMOVEDIR) == 0 ? 0 : errno;
}

// Splits "base/name" into an open descriptor of base and the name's position.
int openParent(const std::string& path, std::string* name) {
    const auto slash = path.rfind('/');
    *name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string parent = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    return ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
        // Unmarked, the folder is nobody's to remove until the mark is written under our lock.
        if (::flock(fd, LOCK_EX) == 0 && writeMark(fd)) {
            *lock = fd;
            return path;
        }
        const int err = errno;
        ::unlinkat(fd, kMark, 0);
        ::rmdir(path.c_str());
        ::close(fd);
        errno = err;
    }
    errno = EAGAIN;
    return {};
}

int RemoveOwnTempFolder(const std::string& path, int lock) {
    std::string name;
    const int base = openParent(path, &name);
    if (base < 0) {
        return errno;
    }
    const int err = removeMarked(base, name.c_str(), lock);
    ::close(base);
    return err;
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
        if (!hasOurName(entry->d_name)) {
            continue;
        }
        const int folder = openFolder(base, entry->d_name);
        if (folder < 0) {
            continue;  // not a folder, or a link
        }
        struct stat st;
        if (::fstat(folder, &st) == 0 && st.st_uid == me && (st.st_mode & 07777) == 0700 &&
            ::flock(folder, LOCK_EX | LOCK_NB) == 0 && carriesOurMark(folder, st)) {
            removeMarked(base, entry->d_name, folder);
        }
        ::close(folder);
    }
    ::closedir(dir);
    ::close(base);
}

}  // namespace vm
