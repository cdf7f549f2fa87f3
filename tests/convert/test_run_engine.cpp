// SPDX-License-Identifier: GPL-3.0-or-later
// The run engine on several slots, as the batch program drives it: files at once, targets
// that two files would share, and a stop that ends every encoder. Real processes and files,
// with stand-in encoders.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "RunSupport.h"
#include "convert/EncoderJob.h"
#include "convert/RunEngine.h"
#include "i18n/DesktopTexts.h"
#include "i18n/MessageTable.h"
#include "platform/fake/FakeDialogs.h"

using namespace vm;
using namespace vm::test;

namespace {

constexpr int kTimeoutMs = 20000;

struct Engine {
    Workspace ws;
    FailingFileSystem files;
    FailingProcesses processes;
    FakeDialogs dialogs;
    MessageTable messages;
    RunEngine run{files, processes, dialogs, messages, ws.program};
    QList<FileReport> reports;

    explicit Engine(int jobs) {
        LoadBuiltInMessages(messages);
        run.setTargetsReserved(true);
        QObject::connect(&run, &RunEngine::fileFinished,
                         [this](const FileReport& r) { reports.append(r); });
        QVERIFY(run.prepare(jobs).isEmpty());
    }
    void start(const QStringList& sources, ConflictPolicy policy) {
        QList<RunEntry> entries;
        for (const QString& source : sources) {
            entries.append({source, ws.output});
        }
        ConversionSettings settings;
        settings.policy = policy;
        run.start(entries, [settings] { return settings; });
    }
};

}  // namespace

class TestRunEngine : public QObject {
    Q_OBJECT

  private slots:
    // Two files of one name run at once into two targets, even where the policy would
    // replace an existing file; each outcome is counted, and a failed file leaves nothing.
    void slotsShareNoTarget() {
        Engine e(2);
        QDir().mkpath(e.ws.sources + "a");
        QDir().mkpath(e.ws.sources + "b");
        const QString a = e.ws.source("a/clip.flv", SlowConverts("0.5"));
        const QString b = e.ws.source("b/clip.flv", SlowConverts("0.5"));
        const QString bad = e.ws.source("bad.flv", kFails);
        QSignalSpy finished(&e.run, &RunEngine::finished);
        e.start({a, b, bad}, ConflictPolicy::Overwrite);
        QVERIFY(!e.run.job(0)->idle() && !e.run.job(1)->idle());  // side by side
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTimeoutMs);

        QCOMPARE(e.reports.size(), 3);
        QStringList targets;
        for (const FileReport& r : e.reports) {
            targets.append(r.target);
        }
        targets.sort();
        QCOMPARE(targets, (QStringList{e.ws.out("bad.avi"), e.ws.out("clip.avi"),
                                       e.ws.out("clip_new.avi")}));
        QCOMPARE(ReadFile(e.ws.out("clip.avi")), QByteArray("converted\n"));
        QCOMPARE(ReadFile(e.ws.out("clip_new.avi")), QByteArray("converted\n"));
        QCOMPARE(e.reports.last().outcome, FileState::Failed);
        QVERIFY(!QFileInfo::exists(e.ws.out("bad.avi")));
        const RunFigures f = e.run.figures();
        QCOMPARE((QList<int>{f.total, f.finished, f.done, f.skipped, f.failed}),
                 (QList<int>{3, 3, 2, 0, 1}));
        QCOMPARE(f.bytesDone, double(f.bytesTotal));
    }

    // A stop asks every running encoder to end and kills, after the grace, one that goes on
    // (where the system asks: Windows ends a job at once); their files fail as stopped, their
    // partial targets go, and no further file starts.
    void stopEndsEveryEncoder() {
        Engine e(2);
        const QString beat = e.ws.root.filePath("deaf.beat");
        const QString deaf =
            e.ws.source("deaf.flv", "deaf\nbeat " + beat.toUtf8() + "\n" + kRunsUntilKilled);
        const QString plain = e.ws.source("plain.flv", kRunsUntilKilled);
        const QString later = e.ws.source("later.flv", kConverts);
        QSignalSpy finished(&e.run, &RunEngine::finished);
        e.start({deaf, plain, later}, ConflictPolicy::RenameAutomatically);
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo::exists(e.ws.out("deaf.avi")) && QFileInfo::exists(e.ws.out("plain.avi")),
            kTimeoutMs);
        QElapsedTimer clock;
        clock.start();
        e.run.endEncoders(600);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTimeoutMs);
        if (ReadFile(beat).contains("asked")) {
            QVERIFY(clock.elapsed() >= 550);  // the deaf one lasted until it was killed
        }
        const qint64 beats = QFileInfo(beat).size();
        QTest::qWait(300);
        QCOMPARE(QFileInfo(beat).size(), beats);  // and is gone

        QCOMPARE(e.reports.size(), 2);
        for (const FileReport& r : e.reports) {
            QCOMPARE(r.outcome, FileState::Failed);
            QCOMPARE(r.reason, BuiltInDesktopTexts().stoppedReason);
            QVERIFY2(!QFileInfo::exists(r.target), qPrintable(r.target));
        }
        const RunFigures f = e.run.figures();
        QCOMPARE(f.total - f.finished, 1);
        QVERIFY(e.run.encodersIdle());
    }
};

QTEST_GUILESS_MAIN(TestRunEngine)
#include "test_run_engine.moc"
