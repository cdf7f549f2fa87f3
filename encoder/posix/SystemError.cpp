// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemError.h"

#include <sys/resource.h>

#include <cerrno>
#include <cstring>

namespace coder {

SystemError errnoError(int err) {
    SystemError e;
    e.fault = err == EDQUOT ? FileFault::QuotaUsed : errnoFault(err);
    e.detail = std::strerror(err);
    rlimit limit{};
    if (err == EFBIG && ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        e.sizeLimit = uint64_t(limit.rlim_cur);
    }
    return e;
}

SystemError systemError(int code) {
    return errnoError(code);
}

SystemError lastSystemError() {
    return errnoError(errno);
}

}  // namespace coder
