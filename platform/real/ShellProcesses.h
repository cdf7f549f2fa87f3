// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <map>
#include <memory>

#include "platform/Processes.h"

class QProcess;

namespace vm {

// Runs each script as "/bin/sh <script>" in a process group of its own, with no standard
// input and its standard output and error discarded (the script redirects what it keeps).
// Needs a running Qt event loop for the end of a job to be noticed.
class ShellProcesses : public Processes {
  public:
    ShellProcesses();
    ~ShellProcesses() override;  // kills the groups of jobs that still run

    qint64 startScript(const QString& scriptPath, QString* error) override;
    bool isRunning(qint64 id) const override;
    int exitCode(qint64 id) const override;  // -1 after a crash or a signal
    void onFinished(qint64 id, std::function<void()> handler) override;
    // Releasing a job that still runs kills its whole process group first.
    void release(qint64 id) override;
    bool killInJob(qint64 id, const QString& upperName) override;
    bool terminateJob(qint64 id) override;
    QString heldFileIdentity(qint64 id, const QString& path) const override;

  private:
    struct Job {
        std::unique_ptr<QProcess> process;
        std::function<void()> handler;
        bool ended = false;
    };
    void ended(qint64 id);
    void callHandler(qint64 id);

    std::map<qint64, Job> jobs_;
    QObject context_;  // receiver of the process signals and of deferred calls
};

// Process ids of the members of process group pgid whose name (as the kernel keeps it,
// at most 15 bytes) upper-cased equals upperName, in increasing order. Reads /proc.
QList<qint64> FindInProcessGroup(qint64 pgid, const QString& upperName);
// Process ids of every member of process group pgid, in increasing order.
QList<qint64> ProcessGroupMembers(qint64 pgid);

}  // namespace vm
