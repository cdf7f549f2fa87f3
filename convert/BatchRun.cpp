// SPDX-License-Identifier: GPL-3.0-or-later
#include "BatchRun.h"

#include <QTimer>
#include <functional>

#include "EncoderJob.h"
#include "OneFile.h"
#include "RunTally.h"
#include "RunView.h"
#include "TargetNaming.h"
#include "WindowProgress.h"
#include "i18n/DesktopTexts.h"
#include "i18n/MessageTable.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Processes.h"
#include "platform/paths/ReadablePath.h"

namespace vm {

namespace {
constexpr int kBoxRecheckMs = 100;  // how often a waiting run looks whether the boxes are closed
}  // namespace

struct BatchRun::Impl {
    BatchRun* q;
    FileSystem& files;
    Processes& processes;
    Dialogs& dialogs;
    RunView& view;
    const MessageTable& messages;
    const DesktopTexts* desktopTexts = nullptr;
    QString programFolder;
    EncoderJob job;

    bool running = false;
    bool stopRequested = false;
    bool encoderStopped = false;  // Force stop killed the current file's encoder
    QStringList sources;          // the list as the run found it
    int index = 0;                // the current file
    QString target;               // the current file's target, once settled
    RunTally tally;
    RunReport report;

    Impl(BatchRun* owner, FileSystem& f, Processes& p, Dialogs& d, RunView& v,
         const MessageTable& m, QString folder)
        : q(owner),
          files(f),
          processes(p),
          dialogs(d),
          view(v),
          messages(m),
          programFolder(std::move(folder)),
          job(f, p) {
        if (!programFolder.endsWith(QLatin1Char('/'))) {
            programFolder += QLatin1Char('/');
        }
    }

    void start();
    void nextFile();
    void showProgress();
    void jobEnded();
    void fileFailed(const QString& reason);
    // An error of a file operation: shown at once, and the current file fails with it.
    void operationFailed(const QString& path, const QString& error);
    void fileDone(FileOutcome outcome);
    void next();
    void finish();
    void showError(const QString& path, const QString& reason);
    // Runs step from the event loop once no box is open: a box that a handler opened during
    // the run holds the run (the display goes on) until it is closed.
    void whenNoBoxOpen(std::function<void()> step);
};

void BatchRun::Impl::whenNoBoxOpen(std::function<void()> step) {
    const int delay = dialogs.openCount() > 0 ? kBoxRecheckMs : 0;
    QTimer::singleShot(delay, q, [this, step = std::move(step)]() mutable {
        if (dialogs.openCount() > 0) {
            whenNoBoxOpen(std::move(step));
        } else {
            step();
        }
    });
}

void BatchRun::Impl::showError(const QString& path, const QString& reason) {
    dialogs.messageBox(messages[Message::Error],
                       ReadablePath(path, view.legacyEncoding()) + QLatin1Char('\r') + reason,
                       MsgButtons::Ok, MsgIcon::Critical);
}

void BatchRun::Impl::start() {
    if (running) {
        return;
    }
    const QStringList list = view.sourceFiles();
    if (list.isEmpty()) {
        dialogs.messageBox(messages[Message::AttentionTitle], messages[Message::ListEmpty],
                           MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    if (!CheckOutputFolder(view.settings().outputFolder, files, dialogs, messages,
                           view.legacyEncoding())) {
        return;
    }
    if (job.tempFolder().isEmpty()) {
        QString error;
        const QString folder = files.makePrivateTempFolder(&error);
        if (folder.isEmpty()) {
            dialogs.messageBox(messages[Message::Error], error, MsgButtons::Ok, MsgIcon::Critical);
            return;
        }
        job.setTempFolder(folder);
    }
    running = true;
    view.setRunning(true);
    stopRequested = false;
    tally.clear();
    sources = list;
    index = 0;
    nextFile();
}

void BatchRun::Impl::nextFile() {
    // A stop confirmed after the last outcome was recorded, before this file began.
    if (index >= sources.size() || stopRequested) {
        finish();
        return;
    }
    const QString& source = sources.at(index);
    target.clear();
    view.setCounterCaption(messages.convertingCaption + QLatin1Char('(') +
                           QString::number(index + 1) + QLatin1Char('/') +
                           QString::number(sources.size()) + QStringLiteral("):"));
    view.setCurrentSource(ReadablePath(source, view.legacyEncoding()));
    view.showProgress({.fileBarWidth = 0.f});
    emit q->fileStarted(index + 1, int(sources.size()));

    encoderStopped = false;
    // The settings are read afresh for every file: a language switch during the run resets
    // the channels.
    const FileStart start = StartFile(job, programFolder, source, view.settings(), sources, {},
                                      files, dialogs, messages);
    switch (start.kind) {
        case FileStart::Kind::Skipped:
            fileDone(FileOutcome::Skipped);
            break;
        case FileStart::Kind::Failed:
            target = start.target;
            operationFailed(start.path, start.error);
            break;
        case FileStart::Kind::Started:
            target = start.target;
            break;  // the job's end brings the run on
    }
}

void BatchRun::Impl::showProgress() {
    const std::optional<ProgressUpdate> update =
        ProgressFromLogLine(job.lastLogLine(), files.fileSize(sources.value(index)), index,
                            int(sources.size()), view.fileTrackWidth(), view.totalTrackWidth());
    if (update) {
        view.showProgress(*update);
        const double track = view.totalTrackWidth();
        if (update->totalBarWidth && track > 0) {
            emit q->listProgress(*update->totalBarWidth / track);
        }
    }
}

void BatchRun::Impl::jobEnded() {
    whenNoBoxOpen([this] {
        if (EncoderFinished(job.lastLogLine())) {
            fileDone(FileOutcome::Done);
        } else {
            fileFailed(EncoderFailureReason(job.lastLogLine(), encoderStopped,
                                            desktopTexts ? *desktopTexts : BuiltInDesktopTexts()));
        }
    });
}

void BatchRun::Impl::operationFailed(const QString& path, const QString& error) {
    showError(path, error);
    fileFailed(OperationReason(sources.at(index), path, error));
}

void BatchRun::Impl::fileFailed(const QString& reason) {
    const QString error = RemovePartialTarget(job, target, sources, files);
    if (!error.isEmpty()) {
        showError(target, error);
    }
    tally.record(FileOutcome::Failed, sources.at(index), view.legacyEncoding(), reason);
    next();
}

void BatchRun::Impl::fileDone(FileOutcome outcome) {
    tally.record(outcome, sources.at(index), view.legacyEncoding());
    next();
}

void BatchRun::Impl::next() {
    ++index;
    if (stopRequested) {
        index = int(sources.size());
    }
    whenNoBoxOpen([this] { nextFile(); });
}

void BatchRun::Impl::finish() {
    // Counted over the files the run started with: files that join the list during the run
    // wait for the next one.
    report = {messages[Message::Done], tally.completionText(messages, sources.size()),
              tally.failureDetails(), view.settings().outputFolder};
    emit q->ending(tally.count(FileOutcome::Done), tally.count(FileOutcome::Skipped),
                   tally.count(FileOutcome::Failed));
    dialogs.messageBoxWithDetails(report.title, report.text, MsgButtons::Ok, MsgIcon::None,
                                  report.details);
    view.setRunning(false);
    view.setCurrentSource({});
    view.showProgress(ClearedProgress());
    tally.clear();
    sources.clear();
    target.clear();
    view.setCounterCaption(messages.convertingCaption);
    running = false;
    emit q->finished();
}

BatchRun::BatchRun(FileSystem& files, Processes& processes, Dialogs& dialogs, RunView& view,
                   const MessageTable& messages, QString programFolder, QObject* parent)
    : QObject(parent),
      d(new Impl(this, files, processes, dialogs, view, messages, std::move(programFolder))) {
    connect(&d->job, &EncoderJob::logAdvanced, this, [this] { d->showProgress(); });
    connect(&d->job, &EncoderJob::ended, this, [this] { d->jobEnded(); });
}

BatchRun::~BatchRun() {
    // The private temp folder holds nothing between jobs; it goes with the run.
    FileSystem& files = d->files;
    const QString folder = d->job.tempFolder();
    delete d;
    if (!folder.isEmpty()) {
        files.removeEmptyDir(folder);
    }
}

void BatchRun::start() {
    d->start();
}

void BatchRun::requestStop() {
    if (!d->running) {
        return;
    }
    if (d->dialogs.messageBox(d->messages[Message::ConfirmTitle],
                              d->messages[Message::CancelQuestion], MsgButtons::OkCancel,
                              MsgIcon::Information) == MsgAnswer::Ok) {
        d->stopRequested = true;
    }
}

void BatchRun::forceStop() {
    if (!d->running) {
        return;
    }
    if (d->dialogs.messageBox(d->messages[Message::WarningTitle],
                              d->messages[Message::ForceStopQuestion], MsgButtons::OkCancel,
                              MsgIcon::Exclamation) != MsgAnswer::Ok) {
        return;
    }
    d->stopRequested = true;
    d->encoderStopped = !d->job.idle();
    // Only the encoder of the current job: nothing outside its process group is touched.
    d->job.killEncoder(EncoderProcessName());
}

void BatchRun::setDesktopTexts(const DesktopTexts* texts) {
    d->desktopTexts = texts;
}

bool BatchRun::isRunning() const {
    return d->running;
}
bool BatchRun::encoderIdle() const {
    return d->job.idle();
}
QString BatchRun::tempFolder() const {
    return d->job.tempFolder();
}
int BatchRun::encoderExitCode() const {
    return d->job.exitCode();
}
const RunReport& BatchRun::lastReport() const {
    return d->report;
}

}  // namespace vm
