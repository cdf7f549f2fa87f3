// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

#include "SourceTree.h"
#include "convert/ConversionSettings.h"
#include "convert/RunTally.h"

namespace vm {

class Dialogs;
class EncoderJob;
class FileSystem;
class Processes;
struct DesktopTexts;
struct MessageTable;

// How one file of a batch run went.
struct FileReport {
    QString source;
    QString target;  // empty when none was settled
    FileOutcome outcome = FileOutcome::Done;
    QString reason;  // Failed: why
    double seconds = 0;
};

// How far a run has come. The running files count with the share of their expected output
// that they have written (WrittenShare).
struct RunFigures {
    int finished = 0;  // files with an outcome
    int total = 0;
    double bytesDone = 0;  // of the sources
    qint64 bytesTotal = 0;
};

// Converts a list of sources with several encoder jobs at once, each with a private temp
// folder of its own. Every file goes through the same steps as in the window's run; a file
// starts on a free job as soon as one is free, in list order. Settling a target's name and
// starting its job are one step, and a name once given is never given to another file of the
// run, so that two jobs never write to one target. Runs on the event loop.
class ParallelRun : public QObject {
    Q_OBJECT
  public:
    ParallelRun(FileSystem& files, Processes& processes, Dialogs& dialogs,
                const MessageTable& messages, const DesktopTexts& desktopTexts,
                QString programFolder, QObject* parent = nullptr);
    ~ParallelRun() override;  // removes the temp folders

    // Makes the temp folders of up to jobs jobs. Empty on success, else the reason.
    QString prepare(int jobs);
    // Starts the run; finished() follows, also for an empty list. settings.outputFolder is
    // taken from each source.
    void start(const QList<BatchSource>& sources, const ConversionSettings& settings);
    // No further file starts, and the encoders of the running files are asked to end (and
    // killed if they do not); those files fail, and their partial output is removed.
    void stop();

    bool stopping() const { return stopping_; }
    RunFigures figures() const;
    const RunTally& tally() const { return tally_; }

  signals:
    void fileFinished(const vm::FileReport& report);
    void finished();

  private:
    struct Slot;
    void startMore();
    void startOn(Slot& slot, const BatchSource& entry);
    void jobEnded(Slot& slot);
    void record(FileReport report);
    double runningShare(const Slot& slot) const;
    void finishIfDone();

    FileSystem& files_;
    Processes& processes_;
    Dialogs& dialogs_;
    const MessageTable& messages_;
    const DesktopTexts& desktopTexts_;
    QString programFolder_;
    ConversionSettings settings_;
    std::vector<std::unique_ptr<Slot>> slots_;
    QList<BatchSource> sources_;
    QStringList sourcePaths_;
    QSet<QString> takenTargets_;
    qsizetype next_ = 0;
    qint64 bytesTotal_ = 0;
    qint64 bytesFinished_ = 0;
    RunTally tally_;
    bool stopping_ = false;
    bool done_ = false;
};

}  // namespace vm
