// SPDX-License-Identifier: GPL-3.0-or-later
// What the conversion tests share: a plain run view, stand-in encoders and back ends that fail
// on request.
#pragma once

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "SystemBackEnds.h"
#include "convert/RunView.h"
#include "platform/ScriptLine.h"
#include "platform/paths/PathBytes.h"

namespace vm::test {

// The figures of the status area, in the order of TestView::statusTexts.
enum class StatusField { Frame, Bitrate, Size, Time };

// The window's part of a run, as plain members; every counter caption is kept.
class TestView : public RunView {
  public:
    ConversionSettings current;
    QStringList files;
    bool running = false;
    QStringList runningChanges;  // "on"/"off" in order
    QStringList counterCaptions;
    QString source;
    QString statusTexts[4];
    double fileTrack = 6255;
    double totalTrack = 6255;
    float fileBar = 0;
    float totalBar = 0;
    float totalBarPeak = 0;  // the widest the whole-list bar was during the run
    std::function<void(const QString&)> onCounterCaption;

    ConversionSettings settings() const override { return current; }
    QStringList sourceFiles() const override { return files; }
    LegacyEncoding legacyEncoding() const override { return kBuiltInLegacyEncoding; }
    void setRunning(bool on) override {
        running = on;
        runningChanges.append(on ? "on" : "off");
    }
    void setCounterCaption(const QString& text) override {
        counterCaptions.append(text);
        if (onCounterCaption) {
            onCounterCaption(text);
        }
    }
    void setCurrentSource(const QString& text) override { source = text; }
    void showProgress(const ProgressUpdate& update) override {
        const std::optional<QString>* texts[] = {&update.frame, &update.bitrate, &update.size,
                                                 &update.time};
        for (int i = 0; i < 4; ++i) {
            if (*texts[i]) {
                statusTexts[i] = **texts[i];
            }
        }
        fileBar = update.fileBarWidth.value_or(fileBar);
        totalBar = update.totalBarWidth.value_or(totalBar);
        totalBarPeak = std::max(totalBarPeak, totalBar);
    }
    QString status(StatusField field) const { return statusTexts[int(field)]; }
    double fileTrackWidth() const override { return fileTrack; }
    double totalTrackWidth() const override { return totalTrack; }
};

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(bytes);
}

// A path as the run shows it to people: with the system's separators ('\\' on Windows).
inline QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Sources for the stand-in coder.dll (tests/convert/stand_in_encoder.cpp), which does what
// its source says, a step a line: write a log, sleep, make the target, fail.
inline const QByteArray kConverts =
    "err frame=   10 q=2.0 size=      12kB time=0.4 bitrate= 245.8kbits/s\\r\n"
    "make converted\n"
    "err video:10kB audio:2kB global headers:0kB muxing overhead 1%\\n\n";
// As an encoder does: the target is created and held open while it is written.
inline const QByteArray kWritesTarget = "hold partial\nsleep 0.4\n";
inline const QByteArray kFails = kWritesTarget + "err Error while decoding stream\\n\n";
// Runs about `seconds`, then converts.
inline QByteArray SlowConverts(const char* seconds) {
    return QByteArray("sleep ") + seconds + "\n" + kConverts;
}
// Writes part of the target, then runs until it is killed.
inline const QByteArray kRunsUntilKilled =
    "hold partial\n"
    "err frame=    1 q=2.0 size=       1kB time=0.0 bitrate=  10.0kbits/s\\r\n"
    "forever\n";

// A program folder holding the stand-in, and a folder for sources and one for output.
struct Workspace {
    QTemporaryDir root;
    QString program;  // ends in '/'
    QString sources;  // ends in '/'
    QString output;   // no trailing '/'

    Workspace() {
        program = root.filePath("program/");
        sources = root.filePath("sources/");
        output = root.filePath("out");
        QDir().mkpath(program);
        QDir().mkpath(sources);
        QDir().mkpath(output);
        QFile::copy(QStringLiteral(VM_STAND_IN_ENCODER), program + "coder.dll");
        QFile::setPermissions(program + "coder.dll",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString source(const QString& name, const QByteArray& script) const {
        WriteFile(sources + name, script);
        return sources + name;
    }
    QString out(const QString& name) const { return output + "/" + name; }
    // Each call of the stand-in: its arguments, paths with '/' as on every system.
    QList<QStringList> calls() const {
        QList<QStringList> result;
        for (const QByteArray& line : ReadFile(program + "calls.log").split('\n')) {
            if (line.isEmpty() || line == "<missing>") {
                continue;
            }
            QStringList args;
            for (const QByteArray& a : line.split('\0')) {
                args.append(QDir::fromNativeSeparators(QString::fromUtf8(a)));
            }
            args.removeLast();  // after the last NUL
            result.append(args);
        }
        return result;
    }
};

// A first line for a script, in its interpreter's words, as a shell that is slow to reach the
// encoder: the stand-in, under a name of its own (the job knows the encoder by its name), only
// sleeps.
inline QByteArray SlowStart(const Workspace& ws, const char* seconds) {
    const QString sleeper = ws.program + QStringLiteral("slow-start.exe");
    QFile::copy(ws.program + QStringLiteral("coder.dll"), sleeper);
    return (ScriptPath(sleeper) + " --sleep " + seconds).toUtf8() + "\r\n";
}

// The real file system, except for the paths and operations a test makes fail.
class FailingFileSystem : public SystemFileSystem {
  public:
    QSet<QString> undeletable;
    QSet<QString> unwritable;
    bool noTempFolder = false;
    // Put before the line of every script: a shell that is slow to reach the encoder.
    QByteArray scriptPrefix;
    std::function<void(const QString&)> onRemove;  // told of every deletion

    QString removeFile(const QString& path) override {
        if (onRemove) {
            onRemove(path);
        }
        return undeletable.contains(path) ? QStringLiteral("Operation not permitted")
                                          : SystemFileSystem::removeFile(path);
    }
    QString replaceProblem(const QString& path) const override {
        return undeletable.contains(path) ? QStringLiteral("Operation not permitted")
                                          : SystemFileSystem::replaceProblem(path);
    }
    QString writeFile(const QString& path, const QByteArray& data) override {
        if (unwritable.contains(path)) {
            return QStringLiteral("Read-only file system");
        }
        const bool script = path.endsWith(QLatin1String("/tmp.bat"));
        return SystemFileSystem::writeFile(path, script ? scriptPrefix + data : data);
    }
    QString makePrivateTempFolder(QString* error) override {
        if (noTempFolder) {
            *error = QStringLiteral("/run/user/0: No space left on device");
            return {};
        }
        return SystemFileSystem::makePrivateTempFolder(error);
    }
};

// Real processes; the interpreter fails to start while cannotStart is set.
class FailingProcesses : public SystemProcesses {
  public:
    bool cannotStart = false;
    qint64 startScript(const QString& script, QString* error) override {
        if (cannotStart) {
            *error = QStringLiteral("execve: Permission denied");
            return 0;
        }
        return SystemProcesses::startScript(script, error);
    }
};

}  // namespace vm::test
