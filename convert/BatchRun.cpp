// SPDX-License-Identifier: GPL-3.0-or-later
#include "BatchRun.h"

#include "EncoderJob.h"
#include "RunEngine.h"
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

struct BatchRun::Impl {
    BatchRun* q;
    FileSystem& files;
    Dialogs& dialogs;
    RunView& view;
    const MessageTable& messages;
    RunEngine engine;
    bool running = false;
    RunTally tally;
    RunReport report;

    Impl(BatchRun* owner, FileSystem& f, Processes& p, Dialogs& d, RunView& v,
         const MessageTable& m, QString folder)
        : q(owner),
          files(f),
          dialogs(d),
          view(v),
          messages(m),
          engine(f, p, d, m, std::move(folder)) {}

    void start();
    void fileStarting(int number, int count, const QString& source);
    void showProgress(int number, int count, const QString& source, const QString& lastLogLine);
    void fileFinished(const FileReport& report);
    void finish();
    void showError(const QString& path, const QString& reason);
};

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
    // The window's run converts one file at a time.
    const QString error = engine.prepare(1);
    if (!error.isEmpty()) {
        dialogs.messageBox(messages[Message::Error], error, MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    running = true;
    view.setRunning(true);
    tally.clear();
    QList<RunEntry> entries;
    for (const QString& source : list) {
        entries.append({source, {}});
    }
    engine.start(entries, [this] { return view.settings(); });
}

void BatchRun::Impl::fileStarting(int number, int count, const QString& source) {
    view.setCounterCaption(messages.convertingCaption + QLatin1Char('(') + QString::number(number) +
                           QLatin1Char('/') + QString::number(count) + QStringLiteral("):"));
    view.setCurrentSource(ReadablePath(source, view.legacyEncoding()));
    view.showProgress({.fileBarWidth = 0.f});
    emit q->fileStarted(number, count);
}

void BatchRun::Impl::showProgress(int number, int count, const QString& source,
                                  const QString& lastLogLine) {
    const std::optional<ProgressUpdate> update =
        ProgressFromLogLine(lastLogLine, files.fileSize(source), number - 1, count,
                            view.fileTrackWidth(), view.totalTrackWidth());
    if (update) {
        view.showProgress(*update);
        const double track = view.totalTrackWidth();
        if (update->totalBarWidth && track > 0) {
            emit q->listProgress(*update->totalBarWidth / track);
        }
    }
}

void BatchRun::Impl::fileFinished(const FileReport& r) {
    tally.record(r.outcome, r.source, view.legacyEncoding(), r.reason);
}

void BatchRun::Impl::finish() {
    // Counted over the files the run started with: files that join the list during the run
    // wait for the next one.
    const RunFigures figures = engine.figures();
    report = {messages[Message::Done], tally.completionText(messages, figures.total),
              tally.failureDetails(), view.settings().outputFolder};
    emit q->ending(tally.count(FileState::Done), tally.count(FileState::Skipped),
                   tally.count(FileState::Failed));
    dialogs.messageBoxWithDetails(report.title, report.text, MsgButtons::Ok, MsgIcon::None,
                                  report.details);
    view.setRunning(false);
    view.setCurrentSource({});
    view.showProgress(ClearedProgress());
    tally.clear();
    view.setCounterCaption(messages.convertingCaption);
    running = false;
    emit q->finished();
}

BatchRun::BatchRun(FileSystem& files, Processes& processes, Dialogs& dialogs, RunView& view,
                   const MessageTable& messages, QString programFolder, QObject* parent)
    : QObject(parent),
      d(new Impl(this, files, processes, dialogs, view, messages, std::move(programFolder))) {
    RunEngine& engine = d->engine;
    connect(&engine, &RunEngine::fileStarting, this,
            [this](int number, int count, const QString& source) {
                d->fileStarting(number, count, source);
            });
    connect(&engine, &RunEngine::fileProgressed, this,
            [this](int number, int count, const QString& source, const QString& line) {
                d->showProgress(number, count, source, line);
            });
    // A failed operation and a partial target left behind are shown at once.
    connect(&engine, &RunEngine::operationFailed, this,
            [this](const QString& path, const QString& error) { d->showError(path, error); });
    connect(&engine, &RunEngine::targetNotRemoved, this,
            [this](const QString& target, const QString& error) { d->showError(target, error); });
    connect(&engine, &RunEngine::fileFinished, this,
            [this](const FileReport& report) { d->fileFinished(report); });
    connect(&engine, &RunEngine::finished, this, [this] { d->finish(); });
}

BatchRun::~BatchRun() {
    delete d;
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
        d->engine.stopStarting();
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
    d->engine.killEncoders();
}

void BatchRun::setDesktopTexts(const DesktopTexts* texts) {
    d->engine.setDesktopTexts(texts);
}

bool BatchRun::isRunning() const {
    return d->running;
}
bool BatchRun::encoderIdle() const {
    return d->engine.encodersIdle();
}
QString BatchRun::tempFolder() const {
    const EncoderJob* job = d->engine.job(0);
    return job ? job->tempFolder() : QString();
}
int BatchRun::encoderExitCode() const {
    const EncoderJob* job = d->engine.job(0);
    return job ? job->exitCode() : 0;
}
const RunReport& BatchRun::lastReport() const {
    return d->report;
}

}  // namespace vm
