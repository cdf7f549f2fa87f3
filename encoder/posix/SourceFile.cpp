// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace coder {

SourceCheck checkSource(const std::string& path) {
    SourceCheck check;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int e = errno;
        check.kind = e == ENOENT   ? SourceCheck::Missing
                     : e == EACCES ? SourceCheck::NoPermission
                                   : SourceCheck::Unopenable;
        check.detail = std::strerror(e);
        return check;
    }
    check.kind = S_ISDIR(st.st_mode)   ? SourceCheck::Folder
                 : S_ISREG(st.st_mode) ? SourceCheck::Regular
                                       : SourceCheck::NotRegular;
    check.size = st.st_size;
    check.identity = {uint64_t(st.st_dev), uint64_t(st.st_ino)};
    return check;
}

int readHead(const std::string& path, unsigned char* head, int size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    const ssize_t n = ::read(fd, head, size_t(size));
    ::close(fd);
    return int(n);
}

}  // namespace coder
