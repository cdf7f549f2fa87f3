// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace vm {

class Dialogs;
class FileSystem;
class Processes;
class RunView;
struct DesktopTexts;
struct MessageTable;

// The end of a run as the completion message tells it.
struct RunReport {
    QString title;
    QString text;
    QString details;       // one line per failed file with its reason; empty when none failed
    QString outputFolder;  // where the run wrote its files
};

// The conversion of the whole list: Start, Cancel task and Force stop.
// The run follows each encoder job through the event loop; it never blocks the window.
class BatchRun : public QObject {
    Q_OBJECT
  public:
    // messages is read at the moment each box is shown, so a language switch applies at once.
    BatchRun(FileSystem& files, Processes& processes, Dialogs& dialogs, RunView& view,
             const MessageTable& messages, QString programFolder, QObject* parent = nullptr);
    ~BatchRun() override;

    void start();        // the Start button
    void requestStop();  // Cancel task
    void forceStop();    // Force stop

    // The reasons given for files that failed without a closing line of the encoder; the
    // built-in texts while none are set. Read when a file fails, so a language switch applies.
    void setDesktopTexts(const DesktopTexts* texts);

    bool isRunning() const;
    bool encoderIdle() const;  // no encoder process runs

    // The folder of the encoder script and log, private to this program; made when the first
    // run starts, empty before.
    QString tempFolder() const;
    // Exit status of the last job (259 while one runs, 0 before the first); it plays no part
    // in judging a file.
    int encoderExitCode() const;
    // The completion message of the latest run that ended (set before `ending` is sent).
    const RunReport& lastReport() const;

  signals:
    // A file of the run begins: its number (from 1) and the number of files the run started with.
    void fileStarted(int number, int count);
    // The whole list's bar has moved: the share of its track it covers (not held to 1).
    void listProgress(double share);
    // The list has been worked through; sent just before the completion message is shown.
    void ending(int done, int skipped, int failed);
    // After the completion message has been closed and the window is Idle again.
    void finished();

  private:
    struct Impl;
    Impl* d;
};

}  // namespace vm
