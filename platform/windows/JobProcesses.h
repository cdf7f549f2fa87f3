// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <map>
#include <memory>

#include "platform/Processes.h"

namespace vm {

// Runs each script as "cmd.exe /d /v:off /s /c" on it, hidden (no console window, standard
// input, output and error on the null device; the script redirects what it keeps), in a Job
// Object of its own that ends every process of the job when its last handle closes: ours,
// which goes with the program however the program ends. The job's id is cmd.exe's process
// id. Needs a running Qt event loop for the end of a job to be noticed.
class JobProcesses : public Processes {
  public:
    JobProcesses();
    ~JobProcesses() override;  // ends the jobs that still run

    qint64 startScript(const QString& scriptPath, QString* error) override;
    bool isRunning(qint64 id) const override;
    // cmd.exe's exit code; -1 for a job that was ended (killed whole or released running).
    int exitCode(qint64 id) const override;
    void onFinished(qint64 id, std::function<void()> handler) override;
    // Releasing a job that still runs ends the whole job first.
    void release(qint64 id) override;
    // The process is found by its image's file name (QueryFullProcessImageNameW) among the
    // members of the job, and TerminateProcess'ed.
    bool killInJob(qint64 id, const QString& upperName) override;
    // Windows cannot ask a process to end: the whole job ends at once (TerminateJobObject).
    // The encoder marks its unfinished target to be deleted when closed, so nothing of it
    // stays.
    bool terminateJob(qint64 id) override;
    // Always empty: see JobProcesses.cpp.
    QString heldFileIdentity(qint64 id, const QString& path) const override;

  private:
    struct Job;
    void ended(qint64 id);
    void callHandler(qint64 id);

    std::map<qint64, std::unique_ptr<Job>> jobs_;
    QObject context_;  // receiver of the notifiers' signals and of deferred calls
};

}  // namespace vm
