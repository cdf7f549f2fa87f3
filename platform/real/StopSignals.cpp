// SPDX-License-Identifier: GPL-3.0-or-later
#include "StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace vm {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
int g_pipe[2] = {-1, -1};
struct sigaction g_before[std::size(kSignals)];

// All a handler may do: write the signal's number into the pipe.
void onSignal(int signo) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

// The handlers write into a pipe, which the event loop reads.
struct StopSignals::State {
    QSocketNotifier* notifier = nullptr;
};

StopSignals::StopSignals(QObject* parent) : QObject(parent), state_(std::make_unique<State>()) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    state_->notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(state_->notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(g_pipe[0], &byte, 1) == 1) {
            report(byte);
        }
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &action, &g_before[i]);
    }
}

StopSignals::~StopSignals() {
    if (g_pipe[0] < 0) {
        return;
    }
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &g_before[i], nullptr);
    }
    delete state_->notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void StopSignals::report(int signo) {
    if (received_ == 0) {
        received_ = signo;
    }
    emit stopAsked(signo);
}

}  // namespace vm
