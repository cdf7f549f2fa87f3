// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParallelRun.h"

#include <QTimer>
#include <algorithm>

#include "convert/EncoderJob.h"
#include "convert/OneFile.h"
#include "convert/WindowProgress.h"
#include "files/OutputFolder.h"
#include "platform/FileSystem.h"

namespace vm {

namespace {
// How long a stopped encoder has to remove what it was writing before it is killed.
constexpr int kStopGraceMs = 3000;
}  // namespace

struct ParallelRun::Slot {
    EncoderJob job;
    BatchSource entry;
    QString target;
    qint64 sourceBytes = 0;
    QElapsedTimer clock;
    bool busy = false;
    bool stopped = false;  // its encoder was killed by a stop

    Slot(FileSystem& files, Processes& processes) : job(files, processes) {}
    double seconds() const { return double(clock.elapsed()) / 1000; }
};

ParallelRun::ParallelRun(FileSystem& files, Processes& processes, Dialogs& dialogs,
                         const MessageTable& messages, const DesktopTexts& desktopTexts,
                         QString programFolder, QObject* parent)
    : QObject(parent),
      files_(files),
      processes_(processes),
      dialogs_(dialogs),
      messages_(messages),
      desktopTexts_(desktopTexts),
      programFolder_(std::move(programFolder)) {
    if (!programFolder_.endsWith(QLatin1Char('/'))) {
        programFolder_ += QLatin1Char('/');
    }
}

ParallelRun::~ParallelRun() {
    QStringList folders;
    for (const auto& slot : slots_) {
        folders.append(slot->job.tempFolder());
    }
    slots_.clear();  // a job that still runs is killed as it goes
    for (const QString& folder : folders) {
        files_.removeEmptyDir(folder);
    }
}

QString ParallelRun::prepare(int jobs) {
    while (int(slots_.size()) < jobs) {
        QString error;
        const QString folder = files_.makePrivateTempFolder(&error);
        if (folder.isEmpty()) {
            return error;
        }
        auto slot = std::make_unique<Slot>(files_, processes_);
        slot->job.setTempFolder(folder);
        Slot* s = slot.get();
        connect(&s->job, &EncoderJob::ended, this, [this, s] { jobEnded(*s); });
        slots_.push_back(std::move(slot));
    }
    return {};
}

void ParallelRun::start(const QList<BatchSource>& sources, const ConversionSettings& settings) {
    sources_ = sources;
    settings_ = settings;
    sourcePaths_.clear();
    for (const BatchSource& s : sources_) {
        sourcePaths_.append(s.source);
    }
    bytesTotal_ = TotalBytes(sources_, files_);
    // From the event loop, so that a run whose files all settle at once still ends there.
    QTimer::singleShot(0, this, [this] { startMore(); });
}

void ParallelRun::stop() {
    if (stopping_) {
        return;
    }
    stopping_ = true;
    // Asked, not killed: an encoder killed at once could have made its target a moment after
    // the job looked which file it holds, and that file would stay.
    for (const auto& slot : slots_) {
        if (slot->busy) {
            slot->stopped = true;
            slot->job.terminate();
        }
    }
    QTimer::singleShot(kStopGraceMs, this, [this] {
        for (const auto& slot : slots_) {
            if (slot->busy) {
                slot->job.killEncoder(EncoderProcessName());
            }
        }
    });
    finishIfDone();
}

void ParallelRun::startMore() {
    for (const auto& slot : slots_) {
        while (!slot->busy && !stopping_ && next_ < sources_.size()) {
            startOn(*slot, sources_.at(next_++));
        }
    }
    finishIfDone();
}

void ParallelRun::startOn(Slot& slot, const BatchSource& entry) {
    slot.entry = entry;
    slot.target.clear();
    slot.stopped = false;
    slot.sourceBytes = std::max<qint64>(0, files_.fileSize(entry.source));
    slot.clock.start();
    // A mirrored folder is made when the first of its files starts.
    const QString folderError = MakeFolderPath(files_, entry.outputFolder);
    if (!folderError.isEmpty()) {
        bytesTotal_ -= slot.sourceBytes;
        record({entry.source, {}, FileOutcome::Failed, folderError, slot.seconds()});
        return;
    }
    ConversionSettings settings = settings_;
    settings.outputFolder = entry.outputFolder;
    // Naming and starting are one step: no other file is named in between.
    const FileStart start = StartFile(slot.job, programFolder_, entry.source, settings,
                                      sourcePaths_, takenTargets_, files_, dialogs_, messages_);
    switch (start.kind) {
        case FileStart::Kind::Started:
            takenTargets_.insert(start.target);
            slot.target = start.target;
            slot.busy = true;
            return;
        case FileStart::Kind::Skipped:
            bytesTotal_ -= slot.sourceBytes;
            record({entry.source, start.target, FileOutcome::Skipped, {}, 0});
            return;
        case FileStart::Kind::Failed:
            break;
    }
    bytesTotal_ -= slot.sourceBytes;
    record({entry.source, start.target, FileOutcome::Failed,
            OperationReason(entry.source, start.path, start.error), slot.seconds()});
}

void ParallelRun::jobEnded(Slot& slot) {
    slot.busy = false;
    bytesFinished_ += slot.sourceBytes;
    FileReport report{slot.entry.source, slot.target, FileOutcome::Done, {}, slot.seconds()};
    const QString line = slot.job.lastLogLine();
    if (!EncoderFinished(line)) {
        report.outcome = FileOutcome::Failed;
        report.reason = EncoderFailureReason(line, slot.stopped, desktopTexts_);
        const QString error = RemovePartialTarget(slot.job, slot.target, sourcePaths_, files_);
        if (!error.isEmpty()) {
            report.reason += QStringLiteral("; ") + slot.target + QStringLiteral(": ") + error;
        }
    }
    record(report);
    // Not from inside the end of the job's own process.
    QTimer::singleShot(0, this, [this] { startMore(); });
}

void ParallelRun::record(FileReport report) {
    tally_.record(report.outcome, report.source, kBuiltInLegacyEncoding, report.reason);
    emit fileFinished(report);
}

double ParallelRun::runningShare(const Slot& slot) const {
    const std::optional<ProgressLine> line = ParseProgressLine(slot.job.lastLogLine());
    const std::optional<double> sizeKb = line ? SizeInKb(line->size) : std::nullopt;
    const std::optional<double> share =
        sizeKb ? WrittenShare(line->video, *sizeKb, slot.sourceBytes) : std::nullopt;
    return share.value_or(0.0);
}

RunFigures ParallelRun::figures() const {
    RunFigures f;
    f.total = int(sources_.size());
    f.finished = tally_.count(FileOutcome::Done) + tally_.count(FileOutcome::Skipped) +
                 tally_.count(FileOutcome::Failed);
    f.bytesTotal = bytesTotal_;
    f.bytesDone = double(bytesFinished_);
    for (const auto& slot : slots_) {
        if (slot->busy) {
            f.bytesDone += runningShare(*slot) * double(slot->sourceBytes);
        }
    }
    return f;
}

void ParallelRun::finishIfDone() {
    const bool anyBusy =
        std::any_of(slots_.begin(), slots_.end(), [](const auto& slot) { return slot->busy; });
    if (done_ || anyBusy || (!stopping_ && next_ < sources_.size())) {
        return;
    }
    done_ = true;
    emit finished();
}

}  // namespace vm
