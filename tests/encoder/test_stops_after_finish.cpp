// SPDX-License-Identifier: GPL-3.0-or-later
// A stop that comes once the target is complete: the process goes on to its end, and only a
// fault still ends it. Each case runs in a child process of its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "Checks.h"
#include "posix/SignalRemoval.h"

using namespace coder;
using namespace coder::test;

namespace {

constexpr int kReachedTheEnd = 3;

// The status with which `body`, run in a child, ended the child.
int statusOf(const std::function<void()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        body();
        ::_exit(kReachedTheEnd);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

bool endedBy(int status, int sig) {
    return WIFSIGNALED(status) && WTERMSIG(status) == sig;
}

}  // namespace

int main() {
    // Before: a stop ends the conversion.
    const struct stat none {};
    check(endedBy(statusOf([&] {
                      removeOnTermination("/nonexistent/x.avi", none);
                      ::raise(SIGTERM);
                  }),
                  SIGTERM),
          "a stop while the target is written ends the process");
    // After: every request to stop is let pass, the process reaches its end.
    const int after = statusOf([] {
        finishDespiteStops();
        for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM}) {
            ::raise(sig);
        }
    });
    check(WIFEXITED(after) && WEXITSTATUS(after) == kReachedTheEnd,
          "a stop once the target is complete lets the process finish");
    check(endedBy(statusOf([] {
                      finishDespiteStops();
                      ::raise(SIGBUS);
                  }),
                  SIGBUS),
          "a fault still ends a finishing process");
    return finish();
}
