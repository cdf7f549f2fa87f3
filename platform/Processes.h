// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

namespace vm {

// Runs encoder scripts. A job is identified by the id that startScript returns
// (the process id of the interpreter, which leads a process group of its own).
class Processes {
  public:
    virtual ~Processes() = default;

    // Starts the shell on the script. Returns the job id (> 0), or 0 with the reason in *error.
    virtual qint64 startScript(const QString& scriptPath, QString* error) = 0;
    // True while the job's interpreter runs.
    virtual bool isRunning(qint64 id) const = 0;
    // Exit status once the job has ended.
    virtual int exitCode(qint64 id) const = 0;
    // Called once, from the event loop, when the job's interpreter has ended.
    // Called at once (from the event loop) if it has ended already.
    virtual void onFinished(qint64 id, std::function<void()> handler) = 0;
    // Forgets the job; its id is invalid afterwards.
    virtual void release(qint64 id) = 0;
    // Kills (SIGKILL) the first process of the job's process group whose name, upper-cased,
    // equals upperName. When the job runs but has no such process yet (its shell has not
    // started it), the whole job is killed instead, so that it cannot start it afterwards.
    // Never touches a process outside the job. True when anything was killed.
    virtual bool killInJob(qint64 id, const QString& upperName) = 0;
    // Asks the processes that the running job's interpreter started to end (SIGTERM), so that
    // each may first remove what it was writing; the job ends when they have, and so lasts as
    // long as they do. A job whose interpreter has started none yet is asked whole. True when
    // the job still ran.
    virtual bool terminateJob(qint64 id) = 0;
    // The identity of the file at path (as FileSystem::fileIdentity gives it) when a process
    // of the job holds that very file open; empty otherwise.
    virtual QString heldFileIdentity(qint64 id, const QString& path) const = 0;
};

}  // namespace vm
