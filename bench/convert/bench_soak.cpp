// SPDX-License-Identifier: GPL-3.0-or-later
// A long run through the real window (offscreen) with a quick stand-in encoder: the window's
// memory before and after FILES files (every tenth one fails), and whether anything of the run
// is left afterwards: a process of any job, a file in the temp folder, the temp folder itself
// once the window has gone. Exits with 1 when something is left.
// Usage: bench_soak [FILES]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "BenchSupport.h"
#include "SystemBackEnds.h"
#include "app/Form1.h"
#include "convert/BatchRun.h"
#include "platform/fake/FakeBrowser.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeLinks.h"
#include "platform/paths/PathBytes.h"
#include "platform/real/JobGuard.h"

using namespace vm;

namespace {

// Notes its process id and group, then converts, or fails when the source's name says so.
const QByteArray kStandIn =
    "#!/bin/sh\n"
    "for a; do target=$a; done\n"
    "echo \"$$ $(cut -d' ' -f5 /proc/$$/stat)\" >> \"$(dirname \"$0\")/jobs.log\"\n"
    "case \"$2\" in *fail*) echo 'Error while opening the input' >&2; exit 1 ;; esac\n"
    "printf 'frame=   10 q=2.0 size=      12kB time=0.4 bitrate= 245.8kbits/s\\r' >&2\n"
    "echo converted > \"$target\"\n"
    "printf 'video:10kB audio:2kB global headers:0kB muxing overhead 1%%\\n' >&2\n";

qint64 residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

bool alive(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    // Temp folders of this run only, where nothing else looks.
    QTemporaryDir dir;
    const QString runtime = dir.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", vm::PathToBytes(runtime));
    StartJobGuard();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QString program = dir.filePath(QStringLiteral("program")) + QLatin1Char('/');
    const QString in = dir.filePath(QStringLiteral("in")) + QLatin1Char('/');
    const QString out = dir.filePath(QStringLiteral("out"));
    for (const QString& d : {program, in, out}) {
        QDir().mkpath(d);
    }
    bench::writeFile(program + QStringLiteral("coder.dll"), kStandIn, true);
    auto sources = [&](const QString& prefix, int n) {
        QStringList list;
        for (int i = 0; i < n; ++i) {
            const QString kind = i % 10 == 9 ? QStringLiteral("fail") : QStringLiteral("clip");
            list << in + prefix + kind + QString::number(i) + QStringLiteral(".flv");
            bench::writeFile(list.last(), "FLV");
        }
        return list;
    };

    qint64 before = 0;
    qint64 after = 0;
    double seconds = 0;
    QString temp;
    {
        SystemFileSystem files;
        SystemProcesses processes;
        FakeDialogs dialogs;
        FakeLinks links;
        FakeBrowser browser;
        SystemProfileFiles profiles;
        auto form = std::make_unique<Form1>(
            Platform{files, processes, dialogs, links, browser, profiles}, program);
        if (!form->startUp()) {
            return 1;
        }
        form->controls().Text2->setText(out);
        auto run = [&](const QStringList& list) {
            form->controls().Command8->click();  // clear the list (answered OK)
            dialogs.setNextFiles(list);
            form->controls().Command1->click();
            QEventLoop loop;
            QObject::connect(&form->batchRun(), &BatchRun::finished, &loop, &QEventLoop::quit);
            form->controls().Command3->click();
            if (form->batchRun().isRunning()) {
                loop.exec();
            }
            dialogs.shown.clear();  // the stand-in's record of boxes is not the window's
        };
        run(sources(QStringLiteral("warm"), 50));  // first-use allocations out of the way
        QApplication::processEvents();
        before = residentKiB();
        QElapsedTimer timer;
        timer.start();
        run(sources(QStringLiteral("soak"), count));
        seconds = double(timer.nsecsElapsed()) / 1e9;
        QApplication::processEvents();
        after = residentKiB();
        temp = form->batchRun().tempFolder();
        const QStringList inTemp = QDir(temp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        std::printf("files left in the temp folder after the run: %lld\n",
                    static_cast<long long>(inTemp.size()));
        if (!inTemp.isEmpty()) {
            return 1;
        }
    }

    int jobs = 0;
    int leftProcesses = 0;
    QFile log(program + QStringLiteral("jobs.log"));
    if (log.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : log.readAll().split('\n')) {
            const QList<QByteArray> ids = line.split(' ');
            if (ids.size() != 2) {
                continue;
            }
            ++jobs;
            leftProcesses += alive(ids[0].toLongLong()) ? 1 : 0;
            for (qint64 member : ProcessGroupMembers(ids[1].toLongLong())) {
                leftProcesses += alive(member) ? 1 : 0;
            }
        }
    }
    const QStringList folders = QDir(runtime).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    const int outputs = int(QDir(out).entryList(QDir::Files).size());
    const int expected = 45 + (count - count / 10);  // warm-up and soak, less the failures

    std::printf("%d files through the window (every tenth fails), %.1f s, %.1f ms a file\n", count,
                seconds, 1000.0 * seconds / count);
    std::printf(
        "window memory (RSS): %.1f MiB before, %.1f MiB after, growth %.2f MiB "
        "(goal under 5)\n",
        double(before) / 1024, double(after) / 1024, double(after - before) / 1024);
    std::printf("jobs run: %d, processes of them left: %d\n", jobs, leftProcesses);
    std::printf("temp folders left once the window has gone: %lld\n",
                static_cast<long long>(folders.size()));
    std::printf("outputs: %d (expected %d)\n", outputs, expected);
    const bool clean =
        leftProcesses == 0 && folders.isEmpty() && outputs == expected && jobs == 50 + count;
    std::printf("%s\n", clean ? "nothing left behind" : "SOMETHING WAS LEFT BEHIND");
    return clean ? 0 : 1;
}
