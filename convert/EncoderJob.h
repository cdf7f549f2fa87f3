// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "LogTail.h"
#include "contract/EncoderContract.h"

namespace vm {

class FileSystem;
class Processes;

// One encoder job at a time: the script tmp.bat in the temp folder runs the encoder line,
// which sends the encoder's error output to the log tmp beside it. The job is followed through
// the end of its process and a short timer that reads only what the log gained since the last
// read; nothing runs while the log does not change.
class EncoderJob : public QObject {
    Q_OBJECT
  public:
    static constexpr int kReadIntervalMs = contract::kLogReadMs;
    static constexpr int kStillActive = 259;  // the exit status shown while a job runs

    EncoderJob(FileSystem& files, Processes& processes, QObject* parent = nullptr);
    ~EncoderJob() override;

    // The folder (ending in '/') of the script and the log.
    void setTempFolder(const QString& folder) { tempFolder_ = folder; }
    QString tempFolder() const { return tempFolder_; }
    QString scriptPath() const {
        return tempFolder_ + QLatin1StringView(contract::kScriptFile.data());
    }
    QString logPath() const { return tempFolder_ + QLatin1StringView(contract::kLogFile.data()); }

    // Deletes a script and a log left behind, in that order. Empty on success, else the
    // reason, with the file concerned in *path.
    QString deleteLeftovers(QString* path);

    // Writes the script (the line and this platform's line break, "\n": a CR would end up in
    // the last word) and starts it. Empty on success, else the reason, with the file concerned
    // in *path. On success idle() is false until ended() has been sent. target is the file the
    // line makes; the job watches which file its processes write there.
    QString launch(const QString& commandLine, const QString& target, QString* path);

    bool idle() const { return id_ == 0; }
    int exitCode() const { return exitCode_; }
    // The last line of the current job's log; empty when the job starts, and after the end the
    // last line of the whole log.
    QString lastLogLine() const { return tail_.lastLine(); }

    // Kills the process of the running job whose name, upper-cased, is upperName (or the
    // whole job while it has none yet).
    bool killEncoder(const QString& upperName);
    // Asks the running job's processes to end, so that each removes what it was writing (the
    // encoder a target it made); ended() follows as usual.
    bool terminate();

    // Deletes the last job's target if it is still the very file that the job's processes
    // were seen writing; a file that another program made or put under that name stays, and
    // so does the file that was there when the job started (the one it was to replace).
    // Empty on success (also when there was nothing of ours), else the reason.
    QString removeOwnTarget();

  signals:
    void logAdvanced();  // the log gained text: lastLogLine() may have changed
    void ended();        // the process ended; log read to its end, script and log deleted

  private:
    void readLog();
    void noteOwnTarget();
    void processEnded();

    FileSystem& files_;
    Processes& processes_;
    QString tempFolder_;
    QTimer timer_;
    LogTail tail_;
    qint64 offset_ = 0;
    QString target_;
    QString ownTarget_;  // the identity of the file the job was seen writing at target_
    QString oldTarget_;  // the identity of the file at target_ when the job started
    qint64 id_ = 0;
    int exitCode_ = 0;
};

}  // namespace vm
