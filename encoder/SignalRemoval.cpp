// SPDX-License-Identifier: GPL-3.0-or-later
#include "SignalRemoval.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>

namespace coder {

namespace {

// Read by the signal handler: written only while disarmed.
char g_path[8192];
dev_t g_dev = 0;
ino_t g_ino = 0;
std::atomic<bool> g_armed{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onTerminatingSignal(int sig) {
    if (g_armed.exchange(false)) {
        struct stat st {};
        // stat and unlink are async-signal-safe.
        if (::stat(g_path, &st) == 0 && st.st_dev == g_dev && st.st_ino == g_ino) {
            ::unlink(g_path);
        }
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void installHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa {};
        sa.sa_handler = onTerminatingSignal;
        sigemptyset(&sa.sa_mask);
        // Also on a crash (inside a library, say), so that no partial file is left.
        for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
            struct sigaction old {};
            // A signal ignored by whoever started us stays ignored (nohup).
            if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
                sigaction(sig, &sa, nullptr);
            }
        }
    });
}

}  // namespace

void removeOnTermination(const std::string& path, const struct stat& st) {
    g_armed = false;
    if (path.size() >= sizeof g_path) {
        return;  // too long to keep; the caller's own clean-up still applies
    }
    installHandlers();
    std::memcpy(g_path, path.c_str(), path.size() + 1);
    g_dev = st.st_dev;
    g_ino = st.st_ino;
    g_armed = true;
}

void keepOnTermination() {
    g_armed = false;
}

}  // namespace coder
