// SPDX-License-Identifier: GPL-3.0-or-later
// The real window following a job, with the real embedded browser showing the resource page:
// a stand-in encoder writes ten progress lines a second while the conversion tab is shown.
// Prints each thread's share of one core (from /proc/self/task/*/schedstat), the browser's
// helper processes, and the same window left idle for as long, side by side.
// Run under Xvfb: xvfb-run -a build/bin/bench_follow_real [SECONDS] [RUNS]
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "SystemBackEnds.h"
#include "app/Form1.h"
#include "app/SiteSetup.h"
#include "app/Widgets.h"
#include "convert/BatchRun.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeLinks.h"
#include "platform/qt/WebEngineBrowser.h"

using namespace vm;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Nanoseconds on a CPU of each thread of a process, keyed "name (tid)".
QMap<QString, qint64> ThreadTimes(const QString& pid) {
    QMap<QString, qint64> times;
    const QString tasks = QStringLiteral("/proc/") + pid + QStringLiteral("/task/");
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray stat = ReadAll(tasks + tid + QStringLiteral("/schedstat"));
        const QString name =
            QString::fromUtf8(ReadAll(tasks + tid + QStringLiteral("/comm"))).trimmed();
        times[name + QStringLiteral(" (") + tid + QLatin1Char(')')] =
            stat.split(' ').value(0).toLongLong();
    }
    return times;
}

// The browser engine's helper processes started by this one (renderer, zygotes).
QStringList HelperProcesses() {
    QMap<QString, QString> parentOf;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray stat = ReadAll(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
        const qsizetype close = stat.lastIndexOf(')');
        if (close > 0) {
            parentOf[pid] = QString::fromLatin1(stat.mid(close + 2).split(' ').value(1));
        }
    }
    QStringList helpers;
    const QString self = QString::number(getpid());
    for (auto it = parentOf.begin(); it != parentOf.end(); ++it) {
        QString up = it.value();
        for (int depth = 0; depth < 8 && !up.isEmpty() && up != self; ++depth) {
            up = parentOf.value(up);
        }
        const QString comm = QString::fromUtf8(ReadAll(QStringLiteral("/proc/") + it.key() +
                                                       QStringLiteral("/comm")))
                                 .trimmed();
        if (up == self && comm.startsWith(QStringLiteral("QtWebEngine"))) {
            helpers << it.key();
        }
    }
    return helpers;
}

qint64 ProcessTime(const QStringList& pids) {
    qint64 total = 0;
    for (const QString& pid : pids) {
        for (qint64 t : ThreadTimes(pid)) {
            total += t;
        }
    }
    return total;
}

struct Sample {
    QMap<QString, qint64> threads;
    qint64 helpers = 0;
    qint64 wallNs = 0;
};

struct Share {
    QMap<QString, double> threads;  // percent of one core, by thread
    double window = 0;              // all threads of this process
    double helpers = 0;
};

Share Between(const Sample& a, const Sample& b) {
    Share share;
    const double wall = double(b.wallNs - a.wallNs);
    for (auto it = b.threads.begin(); it != b.threads.end(); ++it) {
        const double used = double(it.value() - a.threads.value(it.key()));
        share.threads[it.key()] = 100.0 * used / wall;
        share.window += 100.0 * used / wall;
    }
    share.helpers = 100.0 * double(b.helpers - a.helpers) / wall;
    return share;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    PrepareBrowserEngine();
    QApplication app(argc, argv);
    const BuiltInSiteServer site;
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("program")) + QLatin1Char('/');
    QDir().mkpath(program);
    QDir().mkpath(root.filePath(QStringLiteral("out")));
    QFile coder(program + QStringLiteral("coder.dll"));
    coder.open(QIODevice::WriteOnly);
    coder.write(QStringLiteral("#!/bin/sh\n"
                               "for a; do target=$a; done\n"
                               "i=0\n"
                               "while [ $i -lt %1 ]; do\n"
                               "  i=$((i+1))\n"
                               "  printf 'frame=%5d q=2.0 size=%8dkB time=%d.0 "
                               "bitrate= 512.0kbits/s\\r' $((i*3)) $((i*20)) $i >&2\n"
                               "  sleep 0.1\n"
                               "done\n"
                               "echo 'video:1000kB audio:10kB' >&2\n"
                               ": > \"$target\"\n")
                    .arg(seconds * 10)
                    .toUtf8());
    coder.close();
    coder.setPermissions(coder.permissions() | QFile::ExeOwner);
    const QString source = root.filePath(QStringLiteral("clip.flv"));
    QFile clip(source);
    clip.open(QIODevice::WriteOnly);
    clip.write(QByteArray(2000000, 'x'));
    clip.close();

    SystemFileSystem files;
    SystemProcesses processes;
    FakeDialogs dialogs;  // answers the file chooser and the summary
    FakeLinks links;
    WebEngineBrowser browser;
    SystemProfileFiles profiles;
    Form1 form(Platform{files, processes, dialogs, links, browser, profiles}, program);
    {
        QEventLoop loaded;
        QObject::connect(browser.view(), &QWebEngineView::loadFinished, &loaded, &QEventLoop::quit);
        QTimer::singleShot(20000, &loaded, &QEventLoop::quit);
        if (!form.startUp()) {
            return 1;
        }
        loaded.exec();
    }
    const Form1Controls& c = form.controls();
    c.Option7[3]->click();
    c.Text2->setText(root.filePath(QStringLiteral("out")));
    c.Option4->setChecked(true);
    dialogs.setDefaultAnswer(MsgAnswer::Ok);
    Wait(1000);

    const QString self = QString::number(getpid());
    auto sample = [&] {
        Sample s;
        s.threads = ThreadTimes(self);
        s.helpers = ProcessTime(HelperProcesses());
        s.wallNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
        return s;
    };

    // One job followed with the conversion tab in front; the idle window before it.
    auto follow = [&](Share& idleShare) {
        const Sample i0 = sample();
        Wait(seconds * 1000);
        idleShare = Between(i0, sample());
        c.List1->clear();
        dialogs.setNextFiles({source});
        c.Command1->click();
        QEventLoop done;
        QObject::connect(&form.batchRun(), &BatchRun::finished, &done, &QEventLoop::quit);
        const Sample f0 = sample();
        c.Command3->click();
        if (form.batchRun().isRunning()) {
            done.exec();
        }
        return Between(f0, sample());
    };

    std::vector<double> following, idle, helpers, idleHelpers;
    Share last;
    Share lastIdle;
    for (int run = 0; run < runs; ++run) {
        last = follow(lastIdle);
        following.push_back(last.window);
        helpers.push_back(last.helpers);
        idle.push_back(lastIdle.window);
        idleHelpers.push_back(lastIdle.helpers);
        std::printf(
            "run %d: following %.3f %%, idle %.3f %% of one core (browser helpers %.3f %% / %.3f "
            "%%)\n",
            run + 1, last.window, lastIdle.window, last.helpers, lastIdle.helpers);
        std::fflush(stdout);
    }

    // For comparison, the view placed straight into the window's widget tree, where the whole
    // window is then composed through OpenGL on every repaint.
    std::vector<double> inTree;
    {
        QWidget* slot = c.WebBrowser1;
        QWebEngineView* view = browser.view();
        view->setParent(slot->parentWidget());
        view->setGeometry(slot->geometry());
        slot->hide();
        c.Option7[4]->click();
        view->show();
        Wait(1000);
        c.Option7[3]->click();
        Wait(1000);
        for (int run = 0; run < runs; ++run) {
            Share unused;
            inTree.push_back(follow(unused).window);
            std::printf("run %d with the view in the window's tree: following %.3f %%\n", run + 1,
                        inTree.back());
        }
    }

    for (const auto& [title, share] :
         {std::pair{"following the last job", &last}, std::pair{"idle before it", &lastIdle}}) {
        std::printf("\nthreads of the window %s (share of one core):\n", title);
        std::vector<std::pair<double, QString>> rows;
        for (auto it = share->threads.begin(); it != share->threads.end(); ++it) {
            rows.emplace_back(it.value(), it.key());
        }
        std::sort(rows.rbegin(), rows.rend());
        for (const auto& [percent, name] : rows) {
            if (percent >= 0.005) {
                std::printf("  %-36s %7.3f %%\n", qPrintable(name), percent);
            }
        }
    }
    const double f = Median(following), i = Median(idle);
    std::printf("\nmedian of %d runs of %d s, a progress line every 100 ms:\n", runs, seconds);
    std::printf("  window following a job   %.3f %% of one core  (aim: under 1 %%)\n", f);
    std::printf("  window idle              %.3f %%\n", i);
    std::printf("  following minus idle     %.3f %%\n", f - i);
    std::printf("  view in the window's tree %.3f %% following: %.1f times as much\n",
                Median(inTree), f > 0 ? Median(inTree) / f : 0.0);
    std::printf("  browser helper processes %.3f %% following, %.3f %% idle\n", Median(helpers),
                Median(idleHelpers));
    return 0;
}
