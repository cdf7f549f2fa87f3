// SPDX-License-Identifier: GPL-3.0-or-later
// Per-file cost of a run: 200 files whose encoder ends at once. Compares the run with the bare
// cost of running the same scripts through /bin/sh one after the other.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "BenchSupport.h"
#include "convert/EncoderCommand.h"

using namespace vm;
using namespace vm::bench;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    constexpr int kFiles = 200;
    QTemporaryDir root;
    const QString program = root.filePath("program/");
    const QString temp = root.filePath("temp/");
    QDir().mkpath(program);
    QDir().mkpath(temp);
    QDir().mkpath(root.filePath("out"));
    QDir().mkpath(root.filePath("bare"));
    writeFile(program + "coder.dll",
              "#!/bin/sh\nfor a; do target=$a; done\n: > \"$target\"\n"
              "echo 'video:1kB audio:1kB' >&2\n",
              true);
    QStringList sources;
    for (int i = 0; i < kFiles; ++i) {
        sources.append(root.filePath(QStringLiteral("clip%1.flv").arg(i, 3, 10, QLatin1Char('0'))));
        writeFile(sources.last(), "flv");
    }

    // Bare: the same script lines, run one after the other.
    QElapsedTimer wall;
    wall.start();
    for (const QString& s : sources) {
        const QString target = root.filePath("bare/") + QFileInfo(s).completeBaseName() + ".avi";
        writeFile(temp + "tmp.bat",
                  BuildEncoderCommandLine(program, temp, s, target, {}).toUtf8() + "\n");
        QProcess sh;
        sh.start("/bin/sh", {temp + "tmp.bat"});
        sh.waitForFinished(-1);
    }
    const double bare = double(wall.nsecsElapsed()) / 1e6;

    RealRun run(sources, root.filePath("out"));
    run.run(program);
    const double batch = run.wallSeconds * 1000;
    const double cpu = run.cpuSeconds * 1000;

    const bool allDone =
        run.completion().contains(run.messages[Message::Done] + QString::number(kFiles) + ":");
    std::printf("run of %d files, encoder ends at once (%s)\n", kFiles,
                allDone ? "all done" : "NOT all done");
    std::printf("  run, per file                 %.2f ms wall, %.2f ms own CPU\n", batch / kFiles,
                cpu / kFiles);
    std::printf("  bare /bin/sh script, per file %.2f ms wall\n", bare / kFiles);
    std::printf("  cost of the run per file      %.2f ms  (aim: under 20 ms)\n",
                (batch - bare) / kFiles);
    std::printf("  ratio run / bare              %.2f\n", batch / bare);
    return 0;
}
