// SPDX-License-Identifier: GPL-3.0-or-later
#include "SignalRemoval.h"

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>

namespace coder {

namespace {

enum State : int { kDisarmed, kArmed, kRemoving, kFinishing };

// Read by the signal handler: written only while disarmed.
char g_path[8192];
dev_t g_dev = 0;
ino_t g_ino = 0;
std::atomic<int> g_state{kDisarmed};
static_assert(std::atomic<int>::is_always_lock_free);

// Every signal whose default action ends the process and that can be caught, but SIGPIPE and
// SIGXFSZ, which are ignored (a vanished log reader, a file-size limit: both become failures).
constexpr int kTerminating[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                                SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGALRM, SIGTERM, SIGSTKFLT,
                                SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};

// A fault, unlike a request to stop, cannot be waited out.
bool isFault(int sig) {
    return sig == SIGILL || sig == SIGTRAP || sig == SIGABRT || sig == SIGBUS || sig == SIGFPE ||
           sig == SIGSEGV || sig == SIGSYS;
}

extern "C" void onTerminatingSignal(int sig) {
    if (g_state.load() == kFinishing && !isFault(sig)) {
        return;  // the target is complete: the conversion ends as one that succeeded
    }
    int armed = kArmed;
    if (g_state.compare_exchange_strong(armed, kRemoving)) {
        struct stat st {};
        // stat and unlink are async-signal-safe.
        if (::stat(g_path, &st) == 0 && st.st_dev == g_dev && st.st_ino == g_ino) {
            ::unlink(g_path);
        }
        g_state = kDisarmed;
    } else {
        // Another thread's signal is removing the file: it is gone before we end.
        while (g_state.load() == kRemoving) {
            const timespec step{0, 1000000};
            ::nanosleep(&step, nullptr);
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
        sigfillset(&sa.sa_mask);  // one handler at a time in a thread
        auto install = [&sa](int sig) {
            struct sigaction old {};
            // A signal ignored by whoever started us stays ignored (nohup).
            if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
                sigaction(sig, &sa, nullptr);
            }
        };
        for (int sig : kTerminating) {
            install(sig);
        }
        for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) {
            install(sig);
        }
    });
}

}  // namespace

void removeOnTermination(const std::string& path, const struct stat& st) {
    g_state = kDisarmed;
    if (path.size() >= sizeof g_path) {
        return;  // too long to keep; the caller's own clean-up still applies
    }
    installHandlers();
    std::memcpy(g_path, path.c_str(), path.size() + 1);
    g_dev = st.st_dev;
    g_ino = st.st_ino;
    g_state = kArmed;
}

void keepOnTermination() {
    int armed = kArmed;
    g_state.compare_exchange_strong(armed, kDisarmed);
}

void finishDespiteStops() {
    installHandlers();
    g_state = kFinishing;
}

void ignoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace coder
