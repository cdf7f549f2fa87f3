// SPDX-License-Identifier: GPL-3.0-or-later
#include "EncoderJob.h"

#include "platform/FileSystem.h"
#include "platform/Processes.h"

namespace vm {

EncoderJob::EncoderJob(FileSystem& files, Processes& processes, QObject* parent)
    : QObject(parent), files_(files), processes_(processes) {
    timer_.setInterval(kReadIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &EncoderJob::readLog);
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

QString EncoderJob::launch(const QString& commandLine, QString* path) {
    if (id_ != 0) {
        return QStringLiteral("busy");
    }
    tail_.reset();
    offset_ = 0;
    QString error = files_.writeFile(scriptPath(), commandLine.toUtf8() + '\n');
    if (!error.isEmpty()) {
        if (path) {
            *path = scriptPath();
        }
        return error;
    }
    const qint64 id = processes_.startScript(scriptPath(), &error);
    if (id <= 0) {
        if (path) {
            *path = QStringLiteral("/bin/sh");
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

bool EncoderJob::killEncoder(const QString& upperName) {
    return id_ != 0 && processes_.killInJob(id_, upperName);
}

}  // namespace vm
