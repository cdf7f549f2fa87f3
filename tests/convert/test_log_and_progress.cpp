// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the encoder's log piece by piece, the figures shown from it, and the run's summary.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "RunSupport.h"
#include "convert/LogTail.h"
#include "convert/RunTally.h"
#include "convert/WindowProgress.h"
#include "i18n/MessageTable.h"

using namespace vm;
using namespace vm::test;

namespace {

// The last line as a whole reading gives it, fed in pieces cut at every possible place.
QString lastLineFedInPieces(const QByteArray& log, int cut) {
    LogTail tail;
    for (qsizetype at = 0; at < log.size(); at += cut) {
        tail.feed(log.mid(at, cut));
    }
    return tail.lastLine();
}

// What a run does with each log line: the update for the view's current source, shown on it.
void Show(TestView& view, const FileSystem& files, const QString& line, int index) {
    const auto update =
        ProgressFromLogLine(line, files.fileSize(view.source), index, int(view.files.size()),
                            view.fileTrack, view.totalTrack);
    if (update) {
        view.showProgress(*update);
    }
}

}  // namespace

class TestLogAndProgress : public QObject {
    Q_OBJECT

  private slots:
    void lastLineOfTheLog_data() {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QString>("last");
        QTest::addColumn<bool>("hasLine");
        QTest::newRow("empty") << QByteArray() << QString() << false;
        QTest::newRow("no break") << QByteArray("abc") << "abc" << true;
        QTest::newRow("CR at end") << QByteArray("a\rframe=1\r") << "frame=1" << true;
        QTest::newRow("CR LF at end") << QByteArray("a\r\nvideo:1kB\r\n") << "video:1kB" << true;
        QTest::newRow("LF at end") << QByteArray("a\nvideo:1kB\n") << "video:1kB" << true;
        QTest::newRow("partial last")
            << QByteArray("a\r\nb\rsize=  1kB ti") << "size=  1kB ti" << true;
        QTest::newRow("empty line") << QByteArray("a\r\r") << "" << true;
        QTest::newRow("CR LF is one break") << QByteArray("x\r\n\r\n") << "" << true;
        QTest::newRow("LF CR is two") << QByteArray("x\n\r") << "" << true;
        QTest::newRow("UTF-8") << QByteArray("错误\r\n输入 ü") << "输入 ü" << true;
    }
    void lastLineOfTheLog() {
        QFETCH(QByteArray, log);
        QFETCH(QString, last);
        QFETCH(bool, hasLine);
        for (int cut = 1; cut <= log.size() + 1; ++cut) {
            QCOMPARE(lastLineFedInPieces(log, cut), last);
        }
        LogTail tail;
        QCOMPARE(tail.feed(log), hasLine);
        QCOMPARE(tail.hasLine(), hasLine);
        tail.reset();
        QCOMPARE(tail.lastLine(), QString());
    }

    void progressLines() {
        const auto v =
            ParseProgressLine("frame=  250 q=3.5 size=    1024kB time=10.0 bitrate= 838.9kbits/s");
        QVERIFY(v && v->video);
        QCOMPARE(v->frame, QString("  250 "));
        QCOMPARE(v->bitrate, QString(" 838.9"));
        QCOMPARE(v->size, QString("    1024"));
        QCOMPARE(v->time, QString("10.0 "));

        const auto a = ParseProgressLine("size=     456kB time=28.5 bitrate= 131.0kbits/s");
        QVERIFY(a && !a->video);
        QCOMPARE(a->size, QString("     456"));
        QCOMPARE(a->time, QString("28.5 "));
        QCOMPARE(a->bitrate, QString(" 131.0"));

        for (const char* notProgress :
             {"video:10kB audio:2kB", "Frame=1 q=1 size=1kB time=1 bitrate=1kbits", "",
              " frame=1 q=1 size=1kB time=1 bitrate=1kbits",
              // damaged: a marker missing, or out of order
              "frame=  1 size=  1kB time=1 bitrate= 1kbits/s", "frame=  1 q=1 size=  1kB",
              "size=  1kB time=1 bitrate= 1", "size= bitrate= 1kbits kB time=1"}) {
            QVERIFY2(!ParseProgressLine(notProgress), notProgress);
        }
    }

    void showProgressOnTheView() {
        QTemporaryDir dir;
        const QString source = dir.filePath("clip.flv");
        WriteFile(source, QByteArray(2000000, 'x'));
        SystemFileSystem fs;
        TestView view;
        view.files = {"a", source, "c", "d"};
        view.source = source;

        Show(view, fs, "frame=  250 q=3.5 size=    1024kB time=10.0 bitrate= 838.9kbits/s", 1);
        QCOMPARE(view.status(StatusField::Frame), QString("  250 "));
        QCOMPARE(view.status(StatusField::Size), QString("    1024"));
        QCOMPARE(view.fileBar, 2682.048f);
        QCOMPARE(view.totalBar, 2234.262f);

        // An audio-only line: the frame stays, the bar grows past its track (no clamping).
        Show(view, fs, "size=    1024kB time=28.5 bitrate= 131.0kbits/s", 1);
        QCOMPARE(view.status(StatusField::Frame), QString("  250 "));
        QCOMPARE(view.status(StatusField::Time), QString("28.5 "));
        QCOMPARE(qRound64(double(view.fileBar) * 100), 1933536);
        QVERIFY(view.totalBar > float(view.totalTrack / 2));

        // Not progress: nothing changes.
        const float before = view.fileBar;
        Show(view, fs, "video:1024kB audio:12kB", 1);
        Show(view, fs, "frame=  251 q=3.5 size=    1030kB", 1);
        QCOMPARE(view.status(StatusField::Frame), QString("  250 "));
        QCOMPARE(view.fileBar, before);

        // A size that is no number, or a source that is empty or gone: figures yes, bars no.
        Show(view, fs, "frame=  252 q=3.5 size=     N/AkB time=10.0 bitrate= N/Akbits/s", 1);
        QCOMPARE(view.status(StatusField::Frame), QString("  252 "));
        QCOMPARE(view.fileBar, before);
        WriteFile(source, "");
        Show(view, fs, "frame=  253 q=3.5 size=    1024kB time=10.0 bitrate= 838.9kbits/s", 1);
        QCOMPARE(view.status(StatusField::Frame), QString("  253 "));
        QCOMPARE(view.fileBar, before);
        QVERIFY(!SizeInKb("   "));
        view.source = dir.filePath("gone.flv");
        Show(view, fs, "frame=  254 q=3.5 size=    1024kB time=10.0 bitrate= 838.9kbits/s", 1);
        QCOMPARE(view.fileBar, before);
    }

    void progressUpdates() {
        const QString audio = "size=      36kB time=3.6 bitrate=  81.9kbits/s";
        const auto a = ProgressFromLogLine(audio, 1234567, 1, 4, 6255, 6255);
        QVERIFY(a && !a->frame && a->fileBarWidth && a->totalBarWidth);
        QCOMPARE(*a->size, QString("      36"));

        // The run's bar is worked out from the file's bar as the bar keeps it, in single
        // precision: from the unrounded width it would end 1630.2291 wide.
        const QString video = "frame=   90 q=2.0 size=      36kB time=3.6 bitrate=  81.9kbits/s";
        const auto v = ProgressFromLogLine(video, 1234567, 1, 4, 6255, 6255);
        QVERIFY(v && v->frame && v->fileBarWidth && v->totalBarWidth);
        QVERIFY(*v->fileBarWidth == 265.916748046875f);
        QVERIFY(*v->totalBarWidth == 1630.229248046875f);

        // No list to share, or a track of no width: the file's bar alone.
        for (const auto& [count, track] : {std::pair{0, 6255.0}, std::pair{4, 0.0}}) {
            const auto u = ProgressFromLogLine(video, 1234567, 1, count, track, 6255);
            QVERIFY(u && u->fileBarWidth && !u->totalBarWidth);
        }
        QVERIFY(!ProgressFromLogLine("video:36kB audio:0kB", 1234567, 1, 4, 6255, 6255));

        // Without a bar: the share of the expected output (1.25 times the source, a sixth for
        // audio alone), held to 0..1.
        QCOMPARE(WrittenShare(true, 500, 800000), 0.5);
        QCOMPARE(WrittenShare(false, 50, 600000), 0.5);
        QCOMPARE(WrittenShare(true, 5000, 800000), 1.0);
        QCOMPARE(WrittenShare(true, -1, 800000), 0.0);
        QVERIFY(!WrittenShare(true, 5, 0));

        TestView view;
        view.showProgress(*v);
        view.showProgress(ClearedProgress());
        QCOMPARE(view.status(StatusField::Frame), QString());
        QCOMPARE(view.status(StatusField::Time), QString());
        QCOMPARE(view.fileBar, 0.f);
        QCOMPARE(view.totalBar, 0.f);
    }

    void summaryLayout() {
        MessageTable m;
        LoadBuiltInMessages(m);
        RunTally t;
        t.record(FileState::Done, "/v/a.flv", kBuiltInLegacyEncoding);
        t.record(FileState::Failed, "/v/b.flv", kBuiltInLegacyEncoding);
        t.record(FileState::Done, "/v/c.flv", kBuiltInLegacyEncoding);
        // Paths as the system shows them ('\\' on Windows).
        QCOMPARE(
            t.completionText(m, 3),
            Shown("转换已完成，共3个文件，其中:\r\r完成2:\r/v/a.flv\r/v/c.flv\r错误1:\r/v/b.flv"));
        t.clear();
        t.record(FileState::Skipped, "/v/s.flv", kBuiltInLegacyEncoding);
        t.record(FileState::Failed, "/v/f.flv", kBuiltInLegacyEncoding);
        // Nothing converted: the first heading brings its own CR, so two empty lines.
        QCOMPARE(t.completionText(m, 5),
                 Shown("转换已完成，共5个文件，其中:\r\r\r跳过1:\r/v/s.flv\r错误1:\r/v/f.flv"));
        QCOMPARE(t.count(FileState::Skipped), 1);
        t.clear();
        QCOMPARE(t.summary(m), QString());
        QCOMPARE(t.count(FileState::Failed), 0);
    }
};

QTEST_GUILESS_MAIN(TestLogAndProgress)
#include "test_log_and_progress.moc"
