// SPDX-License-Identifier: GPL-3.0-or-later
// The encoder's line as /bin/sh runs it: every name and typed value reaches the encoder as it
// is, and nothing else runs. (cmd.exe runs its own form of the line in the Windows process
// tests, and test_cmd_script_line checks that form on every system.)
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "RunSupport.h"
#include "convert/EncoderCommand.h"

using namespace vm;
using namespace vm::test;

namespace {

// Runs the script line through /bin/sh; the stand-in there writes each argument it got,
// NUL-separated, to args in its folder, and a line to its error output.
QStringList runLine(const QString& programFolder, const QString& tempFolder, const QString& line) {
    WriteFile(tempFolder + "tmp.bat", line.toUtf8() + "\n");
    QProcess sh;
    sh.start("/bin/sh", {tempFolder + "tmp.bat"});
    if (!sh.waitForFinished(10000)) {
        return {"<did not end>"};
    }
    QStringList args;
    const QByteArray raw = ReadFile(programFolder + "args");
    for (const QByteArray& a : raw.split('\0')) {
        args.append(QString::fromUtf8(a));
    }
    args.removeLast();
    return args;
}

}  // namespace

class TestShLine : public QObject {
    Q_OBJECT

  private slots:
    // Whatever the names and the typed values hold, the encoder gets them unchanged, and
    // nothing else runs.
    void noNameOrValueRunsACommand() {
        QTemporaryDir root;
        const QString weird = "a b \"q\" 'sq' $HOME `touch HIT` \\ ; & | > < * ? ~ #\n2nd 中文 ü";
        const QString program = root.filePath("prog " + weird + "/");
        const QString temp = root.filePath("temp $x `y` dir/");
        QVERIFY(QDir().mkpath(program));
        QVERIFY(QDir().mkpath(temp));
        WriteFile(program + "coder.dll",
                  "#!/bin/sh\nfor a; do printf '%s\\0' \"$a\"; done > \"$(dirname \"$0\")/args\"\n"
                  "echo logged >&2\n");
        QFile::setPermissions(program + "coder.dll",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString source = root.filePath("src " + weird + ".flv");
        const QString target = root.filePath("out " + weird + ".avi");
        ConversionSettings s;
        s.videoBitrate = "360; touch " + root.filePath("HIT");
        s.frameRate = "$(touch " + root.filePath("HIT") + ")";
        s.frameSize = "`touch " + root.filePath("HIT") + "`";
        s.audioBitrate = "56 && touch HIT";
        s.sampleRate = "";
        const QStringList got =
            runLine(program, temp, BuildEncoderCommandLine(program, temp, source, target, s));
        QCOMPARE(got, QStringList({"-i", source, "-b", s.videoBitrate, "-r", s.frameRate, "-s",
                                   s.frameSize, "-hq", "-deinterlace", "-y", "-ab", s.audioBitrate,
                                   "-ar", "", "-ac", "2", target}));
        QCOMPARE(ReadFile(temp + "tmp"), QByteArray("logged\n"));  // the log is where it belongs
        QVERIFY(!QFileInfo::exists(root.filePath("HIT")));
        QVERIFY(!QFileInfo::exists("HIT"));

        // Each troublesome character on its own, in source and target.
        for (const char* piece : {" ", "\"", "'", "$", "`", "\\", ";", "&", "|", "\n", "\r", "\t",
                                  "$(x)", "${HOME}", "\\\"", "中文", "*", "!"}) {
            const QString name = QString::fromUtf8(piece);
            const QString src = root.filePath("s" + name + "x.flv");
            const QString dst = root.filePath("d" + name + "x.avi");
            const QStringList args =
                runLine(program, temp, BuildEncoderCommandLine(program, temp, src, dst, {}));
            QCOMPARE(args.value(1), src);
            QCOMPARE(args.value(args.size() - 1), dst);
        }
    }

    // The rules of the sh line, word by word.
    void theWords() {
        QCOMPARE(ScriptPath("a\\b\"c$d`e f;g"), QString("\"a\\\\b\\\"c\\$d\\`e f;g\""));
        QCOMPARE(ScriptWord("29.97"), QString("29.97"));
        QCOMPARE(ScriptWord("360; rm -rf ~"), QString("\"360; rm -rf ~\""));
        QCOMPARE(ScriptWord(""), QString("\"\""));
        QCOMPARE(ScriptWord("$(id)"), QString("\"\\$(id)\""));
    }
};

QTEST_GUILESS_MAIN(TestShLine)
#include "test_sh_line.moc"
