// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "ConversionSettings.h"
#include "FileState.h"

namespace vm {

class Dialogs;
class EncoderJob;
class FileSystem;
class Processes;
struct DesktopTexts;
struct MessageTable;

// How one file of a run went.
struct FileReport {
    QString source;
    QString target;  // empty when none was settled
    FileState outcome = FileState::Done;
    QString reason;        // Failed: why
    QString removalError;  // Failed: why its partial target could not be removed; else empty
    double seconds = 0;
};

// How far a run has come. The running files count with the share of their expected output
// that they have written (WrittenShare): a measure of sizes, whoever shows it.
struct RunFigures {
    int finished = 0;  // files with an outcome
    int total = 0;
    int done = 0;
    int skipped = 0;
    int failed = 0;
    double bytesDone = 0;  // of the sources
    qint64 bytesTotal = 0;
};

// The conversion of a list of files on a number of encoder jobs (slots), each with a private
// temp folder of its own: the window's run on one, the batch program's on several. Every file
// goes through the steps of OneFile.h; a file starts on a free slot as soon as one is free, in
// list order. Runs on the event loop: while a box is open (the window's, or one that a handler
// opened), no file is judged and none starts; the display may go on.
class RunEngine : public QObject {
    Q_OBJECT
  public:
    RunEngine(FileSystem& files, Processes& processes, Dialogs& dialogs,
              const MessageTable& messages, QString programFolder, QObject* parent = nullptr);
    ~RunEngine() override;  // ends a job that still runs and removes the temp folders

    // Makes the temp folders of up to count slots (those made stay for later runs). Empty on
    // success, else the reason.
    QString prepare(int count);

    // Names given to the run's files count as taken for the rest of the run: no two files get
    // one target, even where they would run at once (off: each file is named as if alone).
    void setTargetsReserved(bool reserved) { targetsReserved_ = reserved; }
    // The reasons given for files that failed without a closing line of the encoder; the
    // built-in texts while none are set. Read when a file fails.
    void setDesktopTexts(const DesktopTexts* texts) { desktopTexts_ = texts; }

    // Starts the run at once; finished() follows, also for an empty list. settings gives the
    // settings for each file as it starts; an entry's own output folder replaces theirs and is
    // made when the file starts.
    void start(const QList<RunEntry>& entries, std::function<ConversionSettings()> settings);

    // No further file starts (the window's Cancel task).
    void stopStarting();
    // ... and the encoders of the running files are killed at once (Force stop).
    void killEncoders();
    // ... and the encoders of the running files are asked to end, so that each removes what it
    // was writing, and killed after graceMs if they have not (the batch program's stop).
    void endEncoders(int graceMs);

    bool stopping() const { return stopping_; }
    bool encodersIdle() const;
    RunFigures figures() const;
    // The slots' jobs, for what they tell (exit status, temp folder); nothing before prepare().
    const EncoderJob* job(int slot) const;

  signals:
    // A file begins: its number in the list (from 1), the list's length and the source. Sent
    // before anything is done for it.
    void fileStarting(int number, int count, const QString& source);
    // A running file's log gained text; lastLogLine is the last line now.
    void fileProgressed(int number, int count, const QString& source, const QString& lastLogLine);
    // An operation on path failed for the current file, which fails with it.
    void operationFailed(const QString& path, const QString& error);
    // A failed file's partial target could not be removed.
    void targetNotRemoved(const QString& target, const QString& error);
    void fileFinished(const vm::FileReport& report);
    void finished();

  private:
    struct Slot;
    void startMore();
    // False when the file settled at once (skipped or failed) instead of starting.
    bool startOn(Slot& slot, int index);
    void judge(Slot& slot);
    // The file that slot holds has its outcome: counted and told; the slot is free.
    void settle(Slot& slot, const FileReport& report);
    void finishIfDone();
    void whenNoBoxOpen(std::function<void()> step);

    FileSystem& files_;
    Processes& processes_;
    Dialogs& dialogs_;
    const MessageTable& messages_;
    const DesktopTexts* desktopTexts_ = nullptr;
    QString programFolder_;
    bool targetsReserved_ = false;
    std::function<ConversionSettings()> settings_;
    std::vector<std::unique_ptr<Slot>> slots_;
    QList<RunEntry> entries_;
    QStringList sources_;
    QSet<QString> takenTargets_;
    int next_ = 0;
    qint64 bytesTotal_ = 0;
    qint64 bytesFinished_ = 0;
    int done_ = 0;
    int skipped_ = 0;
    int failed_ = 0;
    bool stopping_ = false;
    bool over_ = true;
};

}  // namespace vm
