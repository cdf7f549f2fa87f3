// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of the batch program beneath its command line: what it finds in a tree, how it
// reads its options, and what it prints.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>

#include "SystemBackEnds.h"
#include "batch/BatchOptions.h"
#include "batch/BatchReport.h"
#include "batch/SourceTree.h"
#include "convert/TargetNaming.h"
#include "i18n/BatchTexts.h"
#include "i18n/MessageTable.h"
#include "i18n/TextPattern.h"

using namespace vm;

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(path.toUtf8());  // each file its own content, so none is the same as another
}

}  // namespace

class TestBatchParts : public QObject {
    Q_OBJECT
  private slots:
    void treeWalkAndMirror() {
        QTemporaryDir dir;
        const QString in = dir.filePath("in");
        for (const char* name : {"b.flv", "A.FLV", "notes.txt", "Sub/c.flv", "sub2/d.flv",
                                 "Sub/deep/e.flv", ".hidden/f.flv", ".g.flv"}) {
            touch(in + "/" + name);
        }
        QVERIFY(QFile::link(in, in + "/Sub/loop"));  // a link back up is not followed
        SystemFileSystem fs;
        const BatchTexts texts = BuiltInBatchTexts();
        const QString out = dir.filePath("out");

        SourceList list = CollectSources({in}, out, true, fs, texts);
        QVERIFY(list.error.isEmpty());
        QStringList got;
        for (const BatchSource& s : list.sources) {
            got.append(s.source.mid(in.size() + 1) + " > " + s.outputFolder.mid(out.size()));
        }
        QCOMPARE(got, QStringList({"A.FLV > ", "b.flv > ", "Sub/c.flv > /Sub",
                                   "Sub/deep/e.flv > /Sub/deep", "sub2/d.flv > /sub2"}));

        // Without --recursive a folder gives its own files; a file named twice, or named and
        // found in a folder given, is taken once; without --output each target stays beside
        // its source.
        list = CollectSources({in + "/Sub/c.flv", in + "/Sub", in + "/./Sub/c.flv"}, {}, false, fs,
                              texts);
        QCOMPARE(list.sources.size(), 1);
        QCOMPARE(list.sources[0].outputFolder, in + "/Sub");

        // A path that cannot be used stops everything, with its reason.
        list = CollectSources({in, in + "/notes.txt"}, out, true, fs, texts);
        QVERIFY(list.sources.isEmpty());
        QCOMPARE(list.error, FillIn(texts.notFlv, {in + "/notes.txt"}));
        list = CollectSources({in + "/none.flv"}, out, true, fs, texts);
        QVERIFY(list.error.startsWith(QString::fromUtf8("无法访问“")));

        // The mirrored folders are made with every folder above them.
        QCOMPARE(MakeFolderPath(fs, out + "/Sub/deep/"), QString());
        QVERIFY(QFileInfo(out + "/Sub/deep").isDir());
        QCOMPARE(MakeFolderPath(fs, out + "/Sub/deep"), QString());
        // The file in the way is named, with the system's own reason.
        const QString inTheWay = fs.makeDir(in + "/b.flv");
        QVERIFY(!inTheWay.isEmpty());
        QCOMPARE(MakeFolderPath(fs, in + "/b.flv/x"), in + "/b.flv: " + inTheWay);
    }

    void optionsStartAsTheWindow() {
        MessageTable messages;
        LoadBuiltInMessages(messages);
        const BatchTexts texts = BuiltInBatchTexts();
        BatchCommandLine line =
            ParseBatchCommandLine({"vidmorf-batch", "a.flv"}, "/w", 3, texts, messages);
        QCOMPARE(line.action, BatchCommandLine::Action::Run);
        const ConversionSettings window;
        const ConversionSettings& s = line.options.settings;
        QCOMPARE(s.format, window.format);
        QCOMPARE(s.policy, ConflictPolicy::RenameAutomatically);
        QCOMPARE(
            QStringList({s.frameSize, s.frameRate, s.videoBitrate, s.audioBitrate, s.sampleRate}),
            QStringList({"320x240", "29.97", "360", "56", "22050"}));
        QCOMPARE(s.channelIndex, 0);
        QCOMPARE(line.options.jobs, 3);
        QCOMPARE(line.options.paths, QStringList({"/w/a.flv"}));
        QCOMPARE(DefaultJobs(1), 1);
        QCOMPARE(DefaultJobs(2), 1);
        QCOMPARE(DefaultJobs(8), 4);

        line = ParseBatchCommandLine({"b", "--format=MP3", "--channels", "1", "--if-exists", "skip",
                                      "--output", "o/../out", "--", "--x.flv"},
                                     "/w", 1, texts, messages);
        QCOMPARE(line.options.settings.format, OutputFormat::Mp3);
        QCOMPARE(line.options.settings.channelIndex, 1);
        QCOMPARE(line.options.settings.policy, ConflictPolicy::Skip);
        QCOMPARE(line.options.output, QString("/w/out"));
        QCOMPARE(line.options.paths, QStringList({"/w/--x.flv"}));
    }

    void jsonKeepsEveryByte() {
        QCOMPARE(JsonString("a\"b\\c\n\x7f"), QByteArray("\"a\\\"b\\\\c\\u000a\\u007f\""));
        // Valid UTF-8 passes as it is, 4-byte sequences included.
        QCOMPARE(JsonString("\xe6\xb5\x8b \xf0\x9f\x8e\xac"),
                 QByteArray("\"\xe6\xb5\x8b \xf0\x9f\x8e\xac\""));
        // GBK, a lone continuation byte, an overlong '/', a surrogate in UTF-8 and a cut
        // sequence: each byte on its own.
        QCOMPARE(JsonString("\xb2\xe2/\x80/\xc0\xaf/\xed\xa0\x80/\xe6\xb5"),
                 QByteArray("\"\\udcb2\\udce2/\\udc80/\\udcc0\\udcaf/\\udced\\udca0\\udc80/"
                            "\\udce6\\udcb5\""));
    }

    void textsForPeople() {
        QCOMPARE(FillIn("%1 of %2, 100%, %3", {"%2", "x"}), QString("%2 of x, 100%, %3"));
        QCOMPARE(FormatDuration(7.4), QString("0:07"));
        QCOMPARE(FormatDuration(754), QString("12:34"));
        QCOMPARE(FormatDuration(3723), QString("1:02:03"));
        // Widths do not hang on the locale: wide ideographs take two, accents none.
        std::setlocale(LC_CTYPE, "C");
        QCOMPARE(FitToColumns(QString::fromUtf8("已完成 3/40"), 7), QString::fromUtf8("已完成 "));
        QCOMPARE(FitToColumns(QString::fromUtf8("re\u0301sume\u0301!"), 6),
                 QString::fromUtf8("re\u0301sume\u0301"));
        QCOMPARE(FitToColumns("3 of 40", 80), QString("3 of 40"));
    }
};

QTEST_GUILESS_MAIN(TestBatchParts)
#include "test_batch_parts.moc"
