// SPDX-License-Identifier: GPL-3.0-or-later
// Why each file failed: the reasons a run keeps and offers beside its completion message, and
// files that join the list while a run goes on.
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "RunRig.h"
#include "i18n/DesktopTexts.h"

using namespace vm;
using namespace vm::test;

class TestFailureReasons : public QObject {
    Q_OBJECT

  private slots:
    // The encoder's closing line, a log that ends without one, and a file operation that the
    // system refused: one line each, in the order the files failed; the message is unchanged.
    void eachFailureSaysWhy() {
        Rig r;
        const QString good = r.ws.source("good.flv", kConverts);
        const QString bad = r.ws.source("bad.flv", kFails);
        const QString cut =
            r.ws.source("cut.flv",
                        "err frame=    5 q=2.0 size=       1kB time=0.2 bitrate=  10.0kbits/s\\r\n"
                        "exit 1\n");
        const QString mute = r.ws.source("mute.flv", "exit 1\n");
        const QString locked = r.ws.source("locked.flv", kConverts);
        r.view.files = {good, bad, cut, mute, locked};
        // The script of the last file cannot be written.
        r.view.onCounterCaption = [&](const QString& caption) {
            if (caption.contains("(5/")) {
                r.files.unwritable.insert(r.run.tempFolder() + "tmp.bat");
            }
        };
        QSignalSpy ending(&r.run, &BatchRun::ending);
        QVERIFY(r.runToEnd());

        const DesktopTexts texts = BuiltInDesktopTexts();
        const auto box = r.lastMessage();
        QCOMPARE(box.text, doneText(r.messages, 5,
                                    "完成1:\r" + good + "\r错误4:\r" + bad + "\r" + cut + "\r" +
                                        mute + "\r" + locked));
        QCOMPARE(box.details.split('\n'),
                 QStringList({Shown(bad) + ": Error while decoding stream",
                              Shown(cut) + ": " + texts.silentReason,
                              Shown(mute) + ": " + texts.silentReason,
                              Shown(locked) + ": " + Shown(r.run.tempFolder() + "tmp.bat") +
                                  ": Read-only file system"}));
        QCOMPARE(ending.size(), 1);
        QCOMPARE(ending[0], (QList<QVariant>{1, 0, 4}));
    }

    // The reasons follow the language; a run without failures offers no details.
    void stoppedByTheUserInThePacksLanguage() {
        Rig r;
        DesktopTexts english = BuiltInDesktopTexts();
        english.stoppedReason = "Stopped by you";
        r.run.setDesktopTexts(&english);
        const QString runs = r.ws.source("runs.flv", kRunsUntilKilled);
        r.view.files = {runs, r.ws.source("next.flv", kConverts)};
        r.view.onCounterCaption = [&](const QString& caption) {
            if (caption.contains("(1/")) {
                QTimer::singleShot(300, &r.run, [&] {
                    r.dialogs.setNextAnswer(MsgAnswer::Ok);
                    r.run.forceStop();
                });
            }
        };
        QVERIFY(r.runToEnd());
        QCOMPARE(r.lastMessage().details, Shown(runs) + ": Stopped by you");

        // The next run starts without the stop, and a clean run has no details.
        r.view.onCounterCaption = {};
        r.view.files = {r.ws.source("fine.flv", kConverts)};
        QVERIFY(r.runToEnd());
        QCOMPARE(r.lastMessage().details, QString());
        QVERIFY(r.lastMessage().text.contains("完成1:"));
    }

    // Files that join the list during a run wait for the next run: the counter and the message
    // count the files the run started with.
    void filesJoiningDuringARun() {
        // Shows its progress for a while before it converts, so that the bars are seen.
        const QByteArray shows =
            "err frame=    1 q=2.0 size=       0kB time=0.0 bitrate=   0.0kbits/s\\r\n"
            "sleep 0.5\n" +
            kConverts;
        Rig alone;
        alone.view.files = {alone.ws.source("a.flv", SlowConverts("0.3")),
                            alone.ws.source("b.flv", shows)};
        QVERIFY(alone.runToEnd());

        Rig r;
        const QString a = r.ws.source("a.flv", SlowConverts("0.3"));
        const QString b = r.ws.source("b.flv", shows);
        const QString late = r.ws.source("late.flv", kConverts);
        r.view.files = {a, b};
        r.view.onCounterCaption = [&](const QString& caption) {
            if (caption.contains("(1/")) {
                r.view.files.append(late);
            }
        };
        QVERIFY(r.runToEnd());
        QCOMPARE(r.view.counterCaptions,
                 QStringList({"正在转换(1/2):", "正在转换(2/2):", "正在转换"}));
        QCOMPARE(r.ws.calls().size(), 2);
        QCOMPARE(r.lastMessage().text, doneText(r.messages, 2, "完成2:\r" + a + "\r" + b));
        QCOMPARE(r.view.files.size(), 3);  // the list keeps the late file for the next run
        // The whole-list bar, too, measures the run against the files it started with.
        QVERIFY(r.view.totalBarPeak > 0);
        QCOMPARE(r.view.totalBarPeak, alone.view.totalBarPeak);
    }
};

QTEST_GUILESS_MAIN(TestFailureReasons)
#include "test_failure_reasons.moc"
