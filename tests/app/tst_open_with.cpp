// SPDX-License-Identifier: GPL-3.0-or-later
// The real program, started with files on its command line (this test runs the program's own
// main with every real back end): the files are in its list; a second start of the installed
// program with more files hands them to this window and ends at once with status 0.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>

#include "app/CommandLine.h"
#include "platform/paths/PathBytes.h"
#include "tests/platform/desktop/DeadSocket.h"

int VidmorfMain(int argc, char** argv);  // the program's main, built into this test

namespace {

QTemporaryDir* gFiles = nullptr;
QStringList gFailures;

void Check(bool ok, const QString& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", qPrintable(what));
    if (!ok) {
        gFailures.append(what);
    }
}

// The paths in the list (kept beside the text of an entry whose name is not UTF-8), or the
// texts that it shows.
QStringList ListEntries(QWidget* window, bool shown = false) {
    QStringList entries;
    if (auto* list = window->findChild<QListWidget*>(QStringLiteral("List1"))) {
        for (int i = 0; i < list->count(); ++i) {
            const QVariant path = list->item(i)->data(Qt::UserRole);
            entries.append(shown || !path.isValid() ? list->item(i)->text() : path.toString());
        }
    }
    return entries;
}

// Names in legacy encodings: GBK on the first start's command line, Shift-JIS on the second's.
const QByteArray kGbkName("\xb5\xe7\xd3\xb0\xc6\xac\xb6\xce.flv");
const QByteArray kShiftJisName("\x83\x72\x83\x66\x83\x49.flv");

QWidget* ShownWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("Form1") && w->isVisible()) {
            return w;
        }
    }
    return nullptr;
}

// Runs step on the event loop once until() holds (every 50 ms; gives up after timeoutMs).
void When(std::function<bool()> until, int timeoutMs, std::function<void(bool)> step) {
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [=] {
        if (until()) {
            step(true);
        } else if (clock->elapsed() > timeoutMs) {
            step(false);
        } else {
            QTimer::singleShot(50, *poll);
        }
    };
    QTimer::singleShot(0, *poll);
}

void Probe() {
    const QString dir = gFiles->path() + QLatin1Char('/');
    When([] { return ShownWindow() != nullptr; }, 60000,
         [dir](bool shown) {
             Check(shown, "the window is shown");
             if (!shown) {
                 QCoreApplication::exit(1);
                 return;
             }
             QWidget* window = ShownWindow();
             const QString gbk = vm::PathFromBytes(vm::PathToBytes(dir) + kGbkName);
             Check(ListEntries(window) == QStringList({dir + "a.flv", gbk, dir + "B.FLV"}),
                   "command-line files in the list: " + ListEntries(window).join(", "));
             Check(ListEntries(window, true).value(1) == dir + QStringLiteral("电影片段.flv"),
                   "a GBK name reads as written: " + ListEntries(window, true).value(1));

             // The second start, from the files' folder with relative paths, while this window
             // goes on answering.
             auto* second = new QProcess(window);
             second->setWorkingDirectory(dir);
             second->setProcessChannelMode(QProcess::ForwardedChannels);
             auto clock = std::make_shared<QElapsedTimer>();
             auto endedAfter = std::make_shared<qint64>(-1);
             QObject::connect(second, &QProcess::finished, window,
                              [clock, endedAfter] { *endedAfter = clock->elapsed(); });
             clock->start();
             // Through the shell, which hands the Shift-JIS name's bytes on as they are.
             QString octal;
             for (const char byte : kShiftJisName) {
                 octal += QStringLiteral("\\%1").arg(uint(uchar(byte)), 3, 8, QLatin1Char('0'));
             }
             second->start(
                 QStringLiteral("/bin/sh"),
                 {"-c", "exec \"$0\" c.flv notes.txt \"$(printf '" + octal + "')\" sub/../d.Flv",
                  vm::ProgramFolder() + "/vidmorf"});
             const QStringList all{dir + "a.flv",
                                   gbk,
                                   dir + "B.FLV",
                                   dir + "c.flv",
                                   vm::PathFromBytes(vm::PathToBytes(dir) + kShiftJisName),
                                   dir + "d.Flv"};
             When([endedAfter] { return *endedAfter >= 0; }, 20000,
                  [window, second, endedAfter, all](bool ended) {
                      std::printf("second start ended after %lld ms\n",
                                  static_cast<long long>(*endedAfter));
                      Check(ended && second->exitStatus() == QProcess::NormalExit &&
                                second->exitCode() == 0,
                            "the second start ends with status 0");
                      When([window, all] { return ListEntries(window) == all; }, 5000,
                           [window](bool joined) {
                               Check(joined, "the second start's files joined the first window: " +
                                                 ListEntries(window).join(", "));
                               Check(ListEntries(window, true).value(4) ==
                                         gFiles->path() + QStringLiteral("/ビデオ.flv"),
                                     "a Shift-JIS name reads as written: " +
                                         ListEntries(window, true).value(4));
                               QCoreApplication::exit(0);
                           });
                  });
         });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Probe)

int main(int argc, char** argv) {
    (void)argc;
    QTemporaryDir runtime;  // a runtime folder of this test's own: no other window answers
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", vm::PathToBytes(runtime.path()));
    // A copy of this program folder crashed before.
    const QString folder = QFileInfo(vm::PathFromBytes(argv[0])).absolutePath();
    Check(vm::test::MakeDeadSocket(runtime.filePath(vm::InstanceName(folder))),
          "a dead socket is left in the way");
    QTemporaryDir files;
    gFiles = &files;
    // A list of its own: the files need not exist, since the list takes them by name.
    const QByteArray a = vm::PathToBytes(files.filePath("a.flv"));
    const QByteArray b = vm::PathToBytes(files.filePath("B.FLV"));
    const QByteArray txt = vm::PathToBytes(files.filePath("notes.txt"));
    const QByteArray gbk = vm::PathToBytes(files.path()) + "/" + kGbkName;
    char* args[] = {argv[0],
                    const_cast<char*>(a.constData()),
                    const_cast<char*>(txt.constData()),
                    const_cast<char*>(gbk.constData()),
                    const_cast<char*>(b.constData()),
                    nullptr};
    int count = 5;
    const int status = VidmorfMain(count, args);
    Check(status == 0, "the program ends with status 0");
    std::printf("%lld failed\n", static_cast<long long>(gFailures.size()));
    return gFailures.isEmpty() ? 0 : 1;
}
