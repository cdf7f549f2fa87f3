// SPDX-License-Identifier: GPL-3.0-or-later
#include "EncoderJob.h"

#include "platform/FileSystem.h"
#include "platform/Processes.h"
#include "platform/ScriptLine.h"

namespace vm {

EncoderJob::EncoderJob(FileSystem& files, Processes& processes, QObject* parent)
    : QObject(parent), files_(files), processes_(processes) {
    timer_.setInterval(kReadIntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        noteOwnTarget();
        readLog();
    });
}

EncoderJob::~EncoderJob() {
    if (id_ != 0) {
        processes_.release(id_);
    }
}

QString EncoderJob::deleteLeftovers(QString* path) {
    for (const QString& file : {scriptPath(), logPath()}) {
        if (!files_.exists(file)) {
            continue;
        }
        const QString error = files_.removeFile(file);
        if (!error.isEmpty()) {
            if (path) {
                *path = file;
            }
            return error;
        }
    }
    return {};
}

QString EncoderJob::launch(const QString& commandLine, const QString& target, QString* path) {
    if (id_ != 0) {
        return QStringLiteral("busy");
    }
    tail_.reset();
    offset_ = 0;
    target_ = target;
    ownTarget_.clear();
    oldTarget_ = files_.fileIdentity(target);
    QString error = files_.writeFile(scriptPath(), ScriptFileText(commandLine));
    if (!error.isEmpty()) {
        if (path) {
            *path = scriptPath();
        }
        return error;
    }
    const qint64 id = processes_.startScript(scriptPath(), &error);
    if (id <= 0) {
        if (path) {
            *path = ScriptInterpreter();
        }
        files_.removeFile(scriptPath());
        return error.isEmpty() ? QStringLiteral("cannot start") : error;
    }
    id_ = id;
    exitCode_ = kStillActive;
    processes_.onFinished(id_, [this] { processEnded(); });
    timer_.start();
    return {};
}

void EncoderJob::readLog() {
    bool ok = false;
    const QByteArray piece = files_.readFrom(logPath(), offset_, &ok);
    if (!ok || piece.isEmpty()) {
        return;
    }
    offset_ += piece.size();
    tail_.feed(piece);
    emit logAdvanced();
}

void EncoderJob::processEnded() {
    timer_.stop();
    // The final read comes after the end, so the last line is that of the complete log.
    readLog();
    exitCode_ = processes_.exitCode(id_);
    processes_.release(id_);
    id_ = 0;
    files_.removeFile(scriptPath());
    files_.removeFile(logPath());
    emit ended();
}

void EncoderJob::noteOwnTarget() {
    // Once a file is seen held open by the job, that file is the job's output; until then a
    // file found there may be anybody's. Looking costs a stat while the target is missing.
    // The file that was there before the job (one to be replaced) is never the job's output.
    if (id_ != 0 && ownTarget_.isEmpty() && !target_.isEmpty() && files_.exists(target_) &&
        (oldTarget_.isEmpty() || files_.fileIdentity(target_) != oldTarget_)) {
        ownTarget_ = processes_.heldFileIdentity(id_, target_);
    }
}

bool EncoderJob::killEncoder(const QString& upperName) {
    if (id_ == 0) {
        return false;
    }
    noteOwnTarget();  // the last moment at which the job's own file can be told
    return processes_.killInJob(id_, upperName);
}

bool EncoderJob::terminate() {
    if (id_ == 0) {
        return false;
    }
    noteOwnTarget();
    return processes_.terminateJob(id_);
}

QString EncoderJob::removeOwnTarget() {
    if (ownTarget_.isEmpty() || ownTarget_ == oldTarget_ ||
        files_.fileIdentity(target_) != ownTarget_) {
        return {};
    }
    return files_.removeFile(target_);
}

}  // namespace vm
