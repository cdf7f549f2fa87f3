// SPDX-License-Identifier: GPL-3.0-or-later
// A program as the window runs its jobs: the guard started first, a private temp folder, and
// one script that starts a stand-in encoder. Prints the temp folder once the job runs, then
// waits to be ended.
// Usage: guarded_program ENCODER
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#include "platform/paths/PathBytes.h"
#include "platform/real/JobGuard.h"
#include "platform/real/PosixFileSystem.h"
#include "platform/real/ShellProcesses.h"

int main(int argc, char** argv) {
    vm::StartJobGuard();
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        return 2;
    }
    vm::PosixFileSystem files;
    vm::ShellProcesses processes;
    QString error;
    const QString temp = files.makePrivateTempFolder(&error);
    if (temp.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QByteArray line = "\"" + QByteArray(argv[1]) + "\" 2>" + vm::PathToBytes(temp) + "tmp\n";
    if (!files.writeFile(temp + "tmp.bat", line).isEmpty() ||
        processes.startScript(temp + "tmp.bat", &error) <= 0) {
        return 1;
    }
    std::printf("%s\n", qPrintable(temp));
    std::fflush(stdout);
    return app.exec();
}
