// SPDX-License-Identifier: GPL-3.0-or-later
// Three real conversions through the window against the same encoder lines run from a shell,
// side by side in one run. Prints the wall-time ratio and the window's own CPU share.
// Usage: bench_window_run [SECONDS-PER-SOURCE]
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "SystemBackEnds.h"
#include "app/Form1.h"
#include "app/Widgets.h"
#include "convert/BatchRun.h"
#include "platform/fake/FakeBrowser.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeLinks.h"

using namespace vm;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool makeSource(const QString& path, int seconds) {
    const QString d = QString::number(seconds);
    return QProcess::execute(QStringLiteral("ffmpeg"),
                             {"-v",
                              "error",
                              "-y",
                              "-f",
                              "lavfi",
                              "-i",
                              "testsrc=size=640x480:rate=25:duration=" + d,
                              "-f",
                              "lavfi",
                              "-i",
                              "sine=frequency=440:sample_rate=44100:duration=" + d,
                              "-c:v",
                              "flv",
                              "-b:v",
                              "800k",
                              "-c:a",
                              "libmp3lame",
                              "-f",
                              "flv",
                              path}) == 0;
}

QString quoted(const QString& path) {
    return QLatin1Char('"') + path + QLatin1Char('"');
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;

    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("program")) + QLatin1Char('/');
    const QString in = dir.filePath(QStringLiteral("in")) + QLatin1Char('/');
    const QString windowOut = dir.filePath(QStringLiteral("window"));
    const QString shellOut = dir.filePath(QStringLiteral("shell"));
    for (const QString& d : {program, in, windowOut, shellOut}) {
        QDir().mkpath(d);
    }
    const QString coder = QStringLiteral(VM_BIN_DIR "/coder.dll");
    QFile::link(coder, program + QStringLiteral("coder.dll"));
    QStringList sources;
    for (const char* name : {"one", "two", "three"}) {
        sources << in + QLatin1String(name) + QStringLiteral(".flv");
        if (!makeSource(sources.last(), seconds)) {
            std::fprintf(stderr, "ffmpeg could not make the sources\n");
            return 1;
        }
    }

    SystemFileSystem files;
    SystemProcesses processes;
    FakeDialogs dialogs;
    FakeLinks links;
    FakeBrowser browser;
    SystemProfileFiles profiles;
    Form1 form(Platform{files, processes, dialogs, links, browser, profiles}, program);
    if (!form.startUp()) {
        return 1;
    }
    dialogs.setNextFiles(sources);
    form.controls().Command1->click();
    form.controls().Text2->setText(windowOut);
    form.controls().Option4->setChecked(true);  // overwrite: every round writes the same names

    // From a shell: the same lines the window writes, one after the other.
    auto shellRound = [&] {
        QElapsedTimer timer;
        timer.start();
        for (const QString& source : sources) {
            const QString target =
                shellOut + QLatin1Char('/') + QFileInfo(source).completeBaseName() + ".avi";
            const QString line = quoted(program + QStringLiteral("coder.dll")) + " -i " +
                                 quoted(source) +
                                 " -b 360 -r 29.97 -s 320x240 -hq -deinterlace -y -ab 56 -ar "
                                 "22050 -ac 2 " +
                                 quoted(target) + " 2>" + dir.filePath(QStringLiteral("log"));
            QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line});
        }
        return timer.nsecsElapsed() / 1e9;
    };
    // Through the window: returns the wall time, adds the window's CPU time.
    double windowCpu = 0;
    auto windowRound = [&] {
        QApplication::processEvents();
        const double cpuBefore = cpuSeconds();
        QElapsedTimer timer;
        timer.start();
        // Wait in an event loop of our own, as the program does (QTest's waits poll).
        QEventLoop loop;
        QObject::connect(&form.batchRun(), &BatchRun::finished, &loop, &QEventLoop::quit);
        form.controls().Command3->click();
        if (form.batchRun().isRunning()) {
            loop.exec();
        }
        const double wall = timer.nsecsElapsed() / 1e9;
        windowCpu += cpuSeconds() - cpuBefore;
        return wall;
    };

    // Alternate the two so that neither gets the quieter moments; keep the best of each.
    double shellWall = 1e9, windowWall = 1e9, windowTotal = 0;
    for (int round = 0; round < 3; ++round) {
        shellWall = std::min(shellWall, shellRound());
        const double w = windowRound();
        windowTotal += w;
        windowWall = std::min(windowWall, w);
    }

    std::printf("three %d s sources at 640x480 to AVI\n", seconds);
    std::printf("shell:  %.2f s wall (best of 3)\n", shellWall);
    std::printf("window: %.2f s wall (best of 3)\n", windowWall);
    std::printf("wall-time ratio window / shell: %.3f\n", windowWall / shellWall);
    std::printf("window CPU share: %.2f %% of one core\n", 100.0 * windowCpu / windowTotal);
    return 0;
}
