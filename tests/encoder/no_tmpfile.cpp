// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into coder.dll by the tests (LD_PRELOAD): open() with O_TMPFILE fails as on a disk
// that has no files without a name (FAT, many network disks), so that the encoder's writing
// under a temporary name can be tried on any disk.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdarg>

namespace {

using OpenFunction = int (*)(const char*, int, ...);

int openThrough(const char* symbol, const char* path, int flags, va_list args) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        mode = va_arg(args, mode_t);
    }
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    const auto real = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, symbol));
    return real(path, flags, mode);
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = openThrough("open", path, flags, args);
    va_end(args);
    return fd;
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = openThrough("open64", path, flags, args);
    va_end(args);
    return fd;
}

}  // extern "C"
