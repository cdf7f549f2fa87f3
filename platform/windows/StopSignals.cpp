// SPDX-License-Identifier: GPL-3.0-or-later
// Stop requests on Windows: the console's control events. The system calls the handler on a
// thread of its own; the handler hands the event to the event loop by a queued call. For
// Ctrl+C and Ctrl+Break, that is all. When the console closes, the user logs off or the system
// shuts down, the process ends as soon as the handler returns, so the handler waits (within the
// few seconds the system grants) until the program has stopped, that is until this object is
// gone.
#include <windows.h>

#include <QMetaObject>
#include <csignal>
#include <mutex>

#include "platform/real/StopSignals.h"

namespace vm {

namespace {

// The system's grace after a close, logoff or shutdown event is about five seconds.
constexpr DWORD kCloseWaitMs = 4500;

std::mutex g_mutex;
StopSignals* g_receiver = nullptr;  // under g_mutex
// Set while no receiver lives. Made once and kept for the life of the process: a handler may
// still be about to wait on it when the receiver goes.
HANDLE g_gone = nullptr;

BOOL WINAPI onControl(DWORD event) {
    int signo = SIGTERM;
    if (event == CTRL_C_EVENT) {
        signo = SIGINT;
    } else if (event == CTRL_BREAK_EVENT) {
        signo = SIGBREAK;
    }
    HANDLE gone = nullptr;
    {
        const std::lock_guard lock(g_mutex);
        if (!g_receiver) {
            return FALSE;  // the next handler (the system's: end the process)
        }
        QMetaObject::invokeMethod(g_receiver, "report", Qt::QueuedConnection, Q_ARG(int, signo));
        gone = g_gone;
    }
    if (signo == SIGTERM && gone) {
        WaitForSingleObject(gone, kCloseWaitMs);
    }
    return TRUE;
}

}  // namespace

struct StopSignals::State {};  // all is above: the handler is the system's, one per process

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    {
        const std::lock_guard lock(g_mutex);
        if (!g_gone) {
            g_gone = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // manual reset
        }
        ResetEvent(g_gone);
        g_receiver = this;
    }
    SetConsoleCtrlHandler(onControl, TRUE);
}

StopSignals::~StopSignals() {
    SetConsoleCtrlHandler(onControl, FALSE);
    const std::lock_guard lock(g_mutex);
    g_receiver = nullptr;
    if (g_gone) {
        SetEvent(g_gone);  // a handler that waits returns, and the system ends the process
    }
}

void StopSignals::report(int signo) {
    if (received_ == 0) {
        received_ = signo;
    }
    emit stopAsked(signo);
}

}  // namespace vm
