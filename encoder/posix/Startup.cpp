// SPDX-License-Identifier: GPL-3.0-or-later
#include "Startup.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include "SignalRemoval.h"

namespace coder {

namespace {

// Standard input is never read and nothing may reach standard output; descriptors 0 to 2
// must also be taken, or the target file could end up as our error output.
void settleStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) < 0) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0 && null != fd) {
                dup2(null, fd);
                ::close(null);
            }
        }
    }
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        ::close(null);
    }
}

}  // namespace

std::vector<std::string> startProcess(int argc, char** argv) {
    settleStandardDescriptors();
    std::signal(SIGPIPE, SIG_IGN);  // a vanished log reader must not kill the conversion
    ignoreFileSizeSignal();         // a file-size limit fails the write instead
    // Names are bytes here, passed on as they are.
    return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace coder
