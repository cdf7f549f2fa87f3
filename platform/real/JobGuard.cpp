// SPDX-License-Identifier: GPL-3.0-or-later
// The job guard of POSIX systems. Encoder jobs run in process groups of their own, so nothing
// that ends the program (a crash, SIGTERM, the SIGHUP of a logout, even SIGKILL) reaches them
// by itself. The guard is a small process forked from the program that holds one end of a
// socket; the program tells it each job's group as the job starts and ends. When the program
// is gone, however it went, the socket reads end-of-file and the guard ends the jobs that
// still ran (SIGTERM, so that the encoder may remove what it was writing, then SIGKILL after a
// grace period) and removes the temp folders left behind (TempFolders.h). The guard runs in a
// session of its own and ignores the signals that end a session or a terminal's foreground
// jobs, so that it outlives the program to do this, and ends once it has done it.
#include "JobGuard.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "ProcStat.h"
#include "TempFolders.h"

namespace vm {

namespace {

constexpr int kGraceMs = 2000;  // how long an encoder has to clean up after SIGTERM
constexpr int kStepMs = 20;

int g_socket = -1;  // the program's end; -1 without a guard

void sleepMs(int ms) {
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

// Whether a process of the group still runs. Members that have ended count as gone even
// before they are reaped: their parent, the program, is gone, and where nothing reaps orphans
// promptly (as in many containers) they would stay for good.
bool groupRuns(pid_t pgid) {
    if (::kill(-pgid, 0) != 0 && errno != EPERM) {
        return false;
    }
    const std::vector<pid_t> pids = ProcessIds();
    if (pids.empty()) {
        return true;  // /proc cannot be read (it would show the guard itself)
    }
    return std::any_of(pids.begin(), pids.end(), [pgid](pid_t pid) {
        const std::optional<ProcStat> stat = ReadProcStat(pid);
        return stat && stat->group == pgid && stat->state != 'Z' && stat->state != 'X';
    });
}

void endJobs(const std::set<pid_t>& groups) {
    for (pid_t pgid : groups) {
        ::kill(-pgid, SIGTERM);
        ::kill(-pgid, SIGCONT);  // a stopped job could not act on SIGTERM
    }
    for (int waited = 0; waited < kGraceMs; waited += kStepMs) {
        bool any = false;
        for (pid_t pgid : groups) {
            any = any || groupRuns(pgid);
        }
        if (!any) {
            return;
        }
        sleepMs(kStepMs);
    }
    for (pid_t pgid : groups) {
        ::kill(-pgid, SIGKILL);
    }
}

// The guard's life: follow the messages ("+pgid" or "-pgid", one a line) until the program's
// end of the socket closes.
[[noreturn]] void guard(int socket) {
    // A session of its own: whatever is sent to the program's process group or session (a
    // session manager, `timeout`, `kill -- -PGID`) does not reach the guard.
    ::setsid();
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
        ::signal(sig, SIG_IGN);
    }
    ::prctl(PR_SET_NAME, "vidmorf-guard", 0, 0, 0);
    // Nothing of the program's but the socket: no pipe that somebody waits to see closed.
    // (The socket may have got a standard descriptor when the program was started without one.)
    socket = ::fcntl(socket, F_DUPFD, 3);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
    }
    if (socket > 3) {
        ::dup2(socket, 3);
    }
    socket = 3;
    ::close_range(4, ~0U, 0);
    std::set<pid_t> groups;
    char line[32];
    size_t used = 0;
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(socket, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] != '\n') {
                if (used < sizeof line - 1) {
                    line[used++] = buffer[i];
                }
                continue;
            }
            line[used] = '\0';
            used = 0;
            const long pgid = std::strtol(line + 1, nullptr, 10);
            if (pgid <= 1) {
                continue;
            }
            if (line[0] == '+') {
                groups.insert(pid_t(pgid));
            } else if (line[0] == '-') {
                groups.erase(pid_t(pgid));
            }
        }
    }
    endJobs(groups);
    RemoveAbandonedTempFolders();
    ::_exit(0);
}

void tell(char what, qint64 pgid) {
    if (g_socket < 0 || pgid <= 0) {
        return;
    }
    char message[32];
    const int length = std::snprintf(message, sizeof message, "%c%lld\n", what, pgid);
    ssize_t sent;
    do {
        sent = ::send(g_socket, message, size_t(length), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
}

}  // namespace

void StartJobGuard() {
    RemoveAbandonedTempFolders();
    if (g_socket >= 0) {
        return;
    }
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // Forked twice, so that the guard is nobody's child here and never waits as a zombie.
        ::close(ends[0]);
        if (::fork() == 0) {
            guard(ends[1]);
        }
        ::_exit(0);
    }
    ::close(ends[1]);
    if (child < 0) {
        ::close(ends[0]);
        return;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    g_socket = ends[0];
}

void GuardJobStarted(qint64 pgid) {
    tell('+', pgid);
}

void GuardJobEnded(qint64 pgid) {
    tell('-', pgid);
}

}  // namespace vm
