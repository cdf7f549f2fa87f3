// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunEngine.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

#include "EncoderJob.h"
#include "OneFile.h"
#include "TargetNaming.h"
#include "WindowProgress.h"
#include "i18n/DesktopTexts.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

namespace vm {

namespace {
constexpr int kBoxRecheckMs = 100;  // how often a waiting run looks whether the boxes are closed
}  // namespace

struct RunEngine::Slot {
    EncoderJob job;
    FileState state = FileState::Waiting;  // of the file it holds; Waiting: it holds none
    int index = 0;                         // the file's place in the list
    QString target;
    qint64 sourceBytes = 0;
    QElapsedTimer clock;

    Slot(FileSystem& files, Processes& processes) : job(files, processes) {}
    bool busy() const { return state != FileState::Waiting; }
    double seconds() const { return double(clock.elapsed()) / 1000; }
};

RunEngine::RunEngine(FileSystem& files, Processes& processes, Dialogs& dialogs,
                     const MessageTable& messages, QString programFolder, QObject* parent)
    : QObject(parent),
      files_(files),
      processes_(processes),
      dialogs_(dialogs),
      messages_(messages),
      programFolder_(std::move(programFolder)) {
    if (!programFolder_.endsWith(QLatin1Char('/'))) {
        programFolder_ += QLatin1Char('/');
    }
}

RunEngine::~RunEngine() {
    QStringList folders;
    for (const auto& slot : slots_) {
        folders.append(slot->job.tempFolder());
    }
    slots_.clear();  // a job that still runs is killed as it goes
    // The private temp folders hold nothing between jobs; they go with the run.
    for (const QString& folder : folders) {
        files_.removeEmptyDir(folder);
    }
}

QString RunEngine::prepare(int count) {
    while (int(slots_.size()) < count) {
        QString error;
        const QString folder = files_.makePrivateTempFolder(&error);
        if (folder.isEmpty()) {
            return error;
        }
        auto slot = std::make_unique<Slot>(files_, processes_);
        slot->job.setTempFolder(folder);
        Slot* s = slot.get();
        connect(&s->job, &EncoderJob::logAdvanced, this, [this, s] {
            emit fileProgressed(s->index + 1, int(entries_.size()), entries_.at(s->index).source,
                                s->job.lastLogLine());
        });
        connect(&s->job, &EncoderJob::ended, this,
                [this, s] { whenNoBoxOpen([this, s] { judge(*s); }); });
        slots_.push_back(std::move(slot));
    }
    return {};
}

void RunEngine::start(const QList<RunEntry>& entries,
                      std::function<ConversionSettings()> settings) {
    entries_ = entries;
    settings_ = std::move(settings);
    sources_.clear();
    bytesTotal_ = 0;
    for (const RunEntry& entry : entries_) {
        sources_.append(entry.source);
        bytesTotal_ += std::max<qint64>(0, files_.fileSize(entry.source));
    }
    takenTargets_.clear();
    next_ = 0;
    bytesFinished_ = 0;
    done_ = skipped_ = failed_ = 0;
    stopping_ = false;
    over_ = false;
    startMore();
}

void RunEngine::stopStarting() {
    stopping_ = true;
}

void RunEngine::killEncoders() {
    stopping_ = true;
    for (const auto& slot : slots_) {
        if (!slot->job.idle()) {
            slot->state = FileState::Stopping;
        }
        // Only the encoder of the slot's job: nothing outside its process group is touched.
        slot->job.killEncoder(EncoderProcessName());
    }
}

void RunEngine::endEncoders(int graceMs) {
    if (stopping_) {
        return;
    }
    stopping_ = true;
    // Asked, not killed: an encoder killed at once could have made its target a moment after
    // the job looked which file it holds, and that file would stay.
    for (const auto& slot : slots_) {
        if (!slot->job.idle()) {
            slot->state = FileState::Stopping;
            slot->job.terminate();
        }
    }
    QTimer::singleShot(graceMs, this, [this] {
        for (const auto& slot : slots_) {
            if (!slot->job.idle()) {
                slot->job.killEncoder(EncoderProcessName());
            }
        }
    });
    finishIfDone();
}

void RunEngine::whenNoBoxOpen(std::function<void()> step) {
    const int delay = dialogs_.openCount() > 0 ? kBoxRecheckMs : 0;
    QTimer::singleShot(delay, this, [this, step = std::move(step)]() mutable {
        if (dialogs_.openCount() > 0) {
            whenNoBoxOpen(std::move(step));
        } else {
            step();
        }
    });
}

void RunEngine::startMore() {
    for (const auto& slot : slots_) {
        if (slot->busy() || stopping_ || next_ >= entries_.size()) {
            continue;
        }
        if (!startOn(*slot, next_++)) {
            // Settled at once: the next file waits for any box that this one brought up.
            whenNoBoxOpen([this] { startMore(); });
            return;
        }
    }
    finishIfDone();
}

bool RunEngine::startOn(Slot& slot, int index) {
    const RunEntry entry = entries_.at(index);
    slot.index = index;
    slot.target.clear();
    slot.state = FileState::Converting;  // taken, until its outcome is recorded
    slot.sourceBytes = std::max<qint64>(0, files_.fileSize(entry.source));
    slot.clock.start();
    emit fileStarting(index + 1, int(entries_.size()), entry.source);

    // The settings are read afresh for every file: the window's may change during the run.
    ConversionSettings settings = settings_();
    if (!entry.outputFolder.isEmpty()) {
        // A folder of the file's own is made when the first of its files starts.
        const QString folderError = MakeFolderPath(files_, entry.outputFolder);
        if (!folderError.isEmpty()) {
            bytesTotal_ -= slot.sourceBytes;
            settle(slot, {entry.source, {}, FileState::Failed, folderError, {}, slot.seconds()});
            return false;
        }
        settings.outputFolder = entry.outputFolder;
    }
    // Naming and starting are one step: no other file is named in between.
    const FileStart start =
        StartFile(slot.job, programFolder_, entry.source, settings, sources_,
                  targetsReserved_ ? takenTargets_ : QSet<QString>(), files_, dialogs_, messages_);
    slot.target = start.target;
    if (start.state == FileState::Converting) {
        if (targetsReserved_) {
            takenTargets_.insert(start.target);
        }
        return true;
    }
    bytesTotal_ -= slot.sourceBytes;
    if (start.state == FileState::Skipped) {
        settle(slot, {entry.source, start.target, FileState::Skipped, {}, {}, 0});
        return false;
    }
    emit operationFailed(start.path, start.error);
    settle(slot, {entry.source,
                  start.target,
                  FileState::Failed,
                  OperationReason(entry.source, start.path, start.error),
                  {},
                  slot.seconds()});
    return false;
}

void RunEngine::judge(Slot& slot) {
    bytesFinished_ += slot.sourceBytes;
    const QString source = entries_.at(slot.index).source;
    FileReport report{source, slot.target, FileState::Done, {}, {}, slot.seconds()};
    const QString line = slot.job.lastLogLine();
    if (!EncoderFinished(line)) {
        report.outcome = FileState::Failed;
        report.reason =
            EncoderFailureReason(line, slot.state == FileState::Stopping,
                                 desktopTexts_ ? *desktopTexts_ : BuiltInDesktopTexts());
        report.removalError = RemovePartialTarget(slot.job, slot.target, sources_, files_);
        if (!report.removalError.isEmpty()) {
            emit targetNotRemoved(slot.target, report.removalError);
        }
    }
    settle(slot, report);
    whenNoBoxOpen([this] { startMore(); });
}

void RunEngine::settle(Slot& slot, const FileReport& report) {
    slot.state = FileState::Waiting;
    switch (report.outcome) {
        case FileState::Done:
            ++done_;
            break;
        case FileState::Skipped:
            ++skipped_;
            break;
        default:
            ++failed_;
            break;
    }
    emit fileFinished(report);
}

RunFigures RunEngine::figures() const {
    RunFigures f;
    f.total = int(entries_.size());
    f.done = done_;
    f.skipped = skipped_;
    f.failed = failed_;
    f.finished = done_ + skipped_ + failed_;
    f.bytesTotal = bytesTotal_;
    f.bytesDone = double(bytesFinished_);
    for (const auto& slot : slots_) {
        if (!slot->busy()) {
            continue;
        }
        const std::optional<ProgressLine> line = ParseProgressLine(slot->job.lastLogLine());
        const std::optional<double> sizeKb = line ? SizeInKb(line->size) : std::nullopt;
        const std::optional<double> share =
            sizeKb ? WrittenShare(line->video, *sizeKb, slot->sourceBytes) : std::nullopt;
        f.bytesDone += share.value_or(0.0) * double(slot->sourceBytes);
    }
    return f;
}

bool RunEngine::encodersIdle() const {
    return std::all_of(slots_.begin(), slots_.end(),
                       [](const auto& slot) { return slot->job.idle(); });
}

const EncoderJob* RunEngine::job(int slot) const {
    return slot >= 0 && slot < int(slots_.size()) ? &slots_[size_t(slot)]->job : nullptr;
}

void RunEngine::finishIfDone() {
    const bool anyBusy =
        std::any_of(slots_.begin(), slots_.end(), [](const auto& slot) { return slot->busy(); });
    if (over_ || anyBusy || (!stopping_ && next_ < entries_.size())) {
        return;
    }
    over_ = true;
    emit finished();
}

}  // namespace vm
