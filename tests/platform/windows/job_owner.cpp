// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the script given as a job, says so on standard output, and waits to be ended.
#include <windows.h>

#include <QCoreApplication>
#include <cstdio>

#include "platform/windows/JobProcesses.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    vm::JobProcesses processes;
    QString error;
    const qint64 id = processes.startScript(QCoreApplication::arguments().value(1), &error);
    std::printf("%lld\n", id);
    std::fflush(stdout);
    Sleep(INFINITE);
}
