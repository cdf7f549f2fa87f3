// SPDX-License-Identifier: GPL-3.0-or-later
// A plain run view, a whole run with real back ends, and small file helpers for the
// conversion benchmarks.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include "SystemBackEnds.h"
#include "convert/BatchRun.h"
#include "convert/RunView.h"
#include "i18n/MessageTable.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/paths/PathBytes.h"

namespace vm::bench {

class PlainView : public RunView {
  public:
    ConversionSettings current;
    QStringList files;
    QString source;
    ProgressUpdate shown;
    int progressUpdates = 0;  // updates that carry figures

    ConversionSettings settings() const override { return current; }
    QStringList sourceFiles() const override { return files; }
    LegacyEncoding legacyEncoding() const override { return kBuiltInLegacyEncoding; }
    void setRunning(bool) override {}
    void setCounterCaption(const QString&) override {}
    void setCurrentSource(const QString& text) override { source = text; }
    void showProgress(const ProgressUpdate& update) override {
        shown = update;
        progressUpdates += update.size ? 1 : 0;
    }
    double fileTrackWidth() const override { return 6255; }
    double totalTrackWidth() const override { return 6255; }
};

inline void writeFile(const QString& path, const QByteArray& bytes, bool executable = false) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(bytes);
    }
    f.close();
    if (executable) {
        ::chmod(vm::PathToBytes(path).constData(), 0755);
    }
}

// CPU seconds (user + system) spent by this process itself, children not included.
inline double ownCpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A run over the given sources with the real file and process back ends, answered boxes
// and the built-in texts.
struct RealRun {
    SystemFileSystem files;
    SystemProcesses processes;
    FakeDialogs dialogs;
    PlainView view;
    MessageTable messages;
    double wallSeconds = 0;
    double cpuSeconds = 0;  // this process's own

    RealRun(const QStringList& sources, const QString& outputFolder) {
        view.files = sources;
        view.current.outputFolder = outputFolder;
        LoadBuiltInMessages(messages);
    }
    // Runs to the end in the event loop and measures it.
    void run(const QString& programFolder) {
        BatchRun batch(files, processes, dialogs, view, messages, programFolder);
        QObject::connect(&batch, &BatchRun::finished, qApp, &QCoreApplication::quit);
        const double cpu0 = ownCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        batch.start();
        QCoreApplication::exec();
        wallSeconds = double(wall.nsecsElapsed()) / 1e9;
        cpuSeconds = ownCpuSeconds() - cpu0;
    }
    QString completion() const { return dialogs.messages().value(0).text; }
};

}  // namespace vm::bench
