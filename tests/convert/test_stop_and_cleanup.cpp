// SPDX-License-Identifier: GPL-3.0-or-later
// Stopping a run at awkward moments, and what a failed file may delete: real processes and
// files, with stand-in encoders.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "RunRig.h"

using namespace vm;
using namespace vm::test;

class TestStopAndCleanup : public QObject {
    Q_OBJECT

  private slots:
    // Force stop confirmed while the shell has not started the encoder yet: the job ends
    // there, the encoder never runs, and nothing further starts.
    void forceStopBeforeTheEncoderRuns() {
        Rig r;
        r.files.scriptPrefix = SlowStart(r.ws, "0.8");
        r.view.files = {r.ws.source("first.flv", kConverts), r.ws.source("next.flv", kConverts)};
        r.when("(1/2)", 100, [&] {
            QVERIFY(!r.run.encoderIdle());
            r.run.forceStop();
        });
        QVERIFY(r.runToEnd());
        QVERIFY(r.ws.calls().isEmpty());
        QVERIFY(!QFileInfo::exists(r.ws.out("first.avi")));
        QCOMPARE(r.lastMessage().text, doneText(r.messages, 2, "\r错误1:\r" + r.view.files[0]));
    }

    // A stop confirmed after one file's outcome was recorded but before the next began: the
    // next one never starts, whichever button asked.
    void stopBetweenTwoFiles_data() {
        QTest::addColumn<bool>("force");
        QTest::newRow("force stop") << true;
        QTest::newRow("cancel task") << false;
    }
    void stopBetweenTwoFiles() {
        QFETCH(bool, force);
        Rig r;
        r.view.files = {r.ws.source("one.flv", kConverts), r.ws.source("two.flv", kConverts)};
        bool asked = false;
        // The script goes when the job has ended; two turns of the event loop later the first
        // file has been judged and the second is about to begin.
        r.files.onRemove = [&](const QString& path) {
            if (asked || !path.endsWith("/tmp.bat") || !r.run.encoderIdle()) {
                return;
            }
            asked = true;
            QTimer::singleShot(0, &r.run, [&] {
                QTimer::singleShot(0, &r.run, [&] {
                    QCOMPARE(r.view.counterCaptions.size(), 1);
                    force ? r.run.forceStop() : r.run.requestStop();
                });
            });
        };
        QVERIFY(r.runToEnd());
        QVERIFY(asked);
        QCOMPARE(r.ws.calls().size(), 1);
        QCOMPARE(r.lastMessage().text, doneText(r.messages, 2, "完成1:\r" + r.view.files[0]));
    }

    // Automatic renaming that runs out of room in the name fails that file with the reason;
    // the run goes on with the next.
    void renamingPastTheNameLimitFails() {
        Rig r;
        const QString base(240, QLatin1Char('n'));
        const QString longSource = r.ws.source(base + ".flv", kConverts);
        for (const QString& taken : {base + ".avi", base + "_new.avi", base + "_new_new.avi"}) {
            WriteFile(r.ws.out(taken), "kept");
        }
        r.view.files = {longSource, r.ws.source("short.flv", kConverts)};
        QVERIFY(r.runToEnd());
        const auto boxes = r.dialogs.messages();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].title, r.messages[Message::Error]);
        const QString tooLong = r.ws.out(base + "_new_new_new.avi");
        QCOMPARE(boxes[0].text, Shown(tooLong) + "\r" + SystemFileSystem().nameProblem(tooLong));
        QCOMPARE(r.ws.calls().size(), 1);
        QCOMPARE(boxes[1].text,
                 doneText(r.messages, 2, "完成1:\r" + r.view.files[1] + "\r错误1:\r" + longSource));
        QVERIFY(r.view.running == false && r.run.encoderIdle());
    }

    // An output folder typed as a relative name that begins with '-' reaches the encoder as
    // an absolute path, never as something that looks like an option, and is the folder that
    // the name means where the run was started, wherever the encoder runs.
    void aFolderNamedLikeAnOption() {
        Rig r;
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(r.ws.root.path()));
        r.view.current.outputFolder = "-out";
        r.view.files = {r.ws.source("clip.flv", kConverts)};
        r.dialogs.setNextAnswer(MsgAnswer::Ok);  // create the folder
        const bool ended = r.runToEnd();
        QDir::setCurrent(saved);
        QVERIFY(ended);
        const QString target = r.ws.calls().value(0).value(r.ws.calls().value(0).size() - 1);
        QCOMPARE(target, r.ws.root.filePath("-out/clip.avi"));
        QCOMPARE(ReadFile(r.ws.root.filePath("-out/clip.avi")), QByteArray("converted\n"));
    }
};

QTEST_GUILESS_MAIN(TestStopAndCleanup)
#include "test_stop_and_cleanup.moc"
