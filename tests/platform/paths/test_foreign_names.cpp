// SPDX-License-Identifier: GPL-3.0-or-later
// Names that are not UTF-8 (GBK, Big5, Shift-JIS, Windows-1252, random bytes): kept byte for
// byte from the disk to the disk, and shown readably.
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "SystemBackEnds.h"
#include "platform/paths/PathBytes.h"
#include "platform/paths/QtFileNames.h"
#include "platform/paths/ReadablePath.h"

using namespace vm;

namespace {

struct Legacy {
    const char* label;
    QByteArray bytes;  // the name in its legacy encoding
    QString text;      // what it reads as
    LegacyEncoding encoding;
};

const QList<Legacy>& LegacyNames() {
    static const QList<Legacy> names = {
        {"GBK", "\xb5\xe7\xd3\xb0\xc6\xac\xb6\xce", QStringLiteral("电影片段"),
         LegacyEncoding::Gbk},
        {"GBK 2", "\xce\xd2\xb5\xc4\xca\xd3\xc6\xb5", QStringLiteral("我的视频"),
         LegacyEncoding::Gbk},
        {"Big5", "\xb9\x71\xbc\x76\xa4\xf9\xac\x71", QStringLiteral("電影片段"),
         LegacyEncoding::Big5},
        {"Big5 2", "\xa7\xda\xaa\xba\xbc\x76\xa4\xf9", QStringLiteral("我的影片"),
         LegacyEncoding::Big5},
        {"Shift-JIS", "\x89\x66\x89\xe6\x82\xcc\x83\x65\x83\x58\x83\x67",
         QStringLiteral("映画のテスト"), LegacyEncoding::ShiftJis},
        {"Shift-JIS 2", "\x83\x72\x83\x66\x83\x49", QStringLiteral("ビデオ"),
         LegacyEncoding::ShiftJis},
        {"Windows-1252", "Caf\xe9 M\xfcller", QStringLiteral("Café Müller"),
         LegacyEncoding::Windows1252},
    };
    return names;
}

const QByteArray kRandomName("\x80\xff\x81\xfe\x8d");  // valid in none of the encodings

// Qt cannot delete names that are not UTF-8; rm can.
struct ForeignDir : QTemporaryDir {
    ~ForeignDir() { QProcess::execute(QStringLiteral("rm"), {"-rf", "--", path()}); }
};

}  // namespace

class TestForeignNames : public QObject {
    Q_OBJECT

  private slots:
    // Any bytes come back exactly; UTF-8 reads as itself.
    void bytesSurviveTheRoundTrip() {
        QRandomGenerator random(20);
        for (int i = 0; i < 2000; ++i) {
            QByteArray bytes(random.bounded(1, 24), '\0');
            for (char& b : bytes) {
                b = char(random.bounded(1, 256));
            }
            QCOMPARE(PathToBytes(PathFromBytes(bytes)), bytes);
        }
        // Overlong forms, encoded surrogates, beyond U+10FFFF, cut short: each byte is kept.
        for (const QByteArray& odd : {QByteArray("\xc0\x80"), QByteArray("\xed\xa0\x80"),
                                      QByteArray("\xf4\x90\x80\x80"), QByteArray("a\xe4\xb8")}) {
            const QString path = PathFromBytes(odd);
            QVERIFY(HoldsForeignBytes(path));
            QVERIFY(!path.contains(QChar::ReplacementCharacter));
            QCOMPARE(PathToBytes(path), odd);
        }
        const QString utf8 = QStringLiteral("/视频/clip 😀 é.flv");
        QCOMPARE(PathFromBytes(utf8.toUtf8()), utf8);
        QCOMPARE(PathToBytes(utf8), utf8.toUtf8());
        QVERIFY(!HoldsForeignBytes(utf8));

        // File URLs carry the bytes percent-encoded, both ways.
        const QString foreign = PathFromBytes("/in/\xd6\xd0 x.flv");
        QCOMPARE(PathFromFileUrl(FileUrlFromPath(foreign)), foreign);
        QCOMPARE(PathFromFileUrl(QUrl(QStringLiteral("file:///in/%D6%D0%20x.flv"))), foreign);
        QCOMPARE(PathFromFileUrl(QUrl::fromLocalFile(utf8)), utf8);
        QCOMPARE(PathFromFileUrl(QUrl(QStringLiteral("https://example.org/a.flv"))), QString());
    }

    void namesReadAsTheyWereWritten() {
        for (const Legacy& name : LegacyNames()) {
            const QString path = PathFromBytes("/old/" + name.bytes + ".flv");
            const QString expected = QStringLiteral("/old/") + name.text + QStringLiteral(".flv");
            // The preferred encoding settles close calls only: these are read right whatever
            // the window's language.
            for (const LegacyEncoding preferred :
                 {LegacyEncoding::Gbk, LegacyEncoding::Big5, LegacyEncoding::ShiftJis,
                  LegacyEncoding::Windows1252}) {
                QVERIFY2(ReadablePath(path, preferred) == expected,
                         qPrintable(QString::fromLatin1(name.label) + QStringLiteral(": ") +
                                    ReadablePath(path, preferred)));
            }
        }
        // A UTF-8 folder stays as it is beside a legacy name; UTF-8 paths are untouched.
        QCOMPARE(ReadablePath(PathFromBytes("/\xe8\xa7\x86\xe9\xa2\x91/\xb5\xe7\xd3\xb0.flv"),
                              kBuiltInLegacyEncoding),
                 QStringLiteral("/视频/电影.flv"));
        QCOMPARE(ReadablePath(QStringLiteral("/a/\uFFFD b.flv"), kBuiltInLegacyEncoding),
                 QStringLiteral("/a/\uFFFD b.flv"));
        // Bytes that no encoding takes are shown, not hidden behind U+FFFD.
        const QString shown =
            ReadablePath(PathFromBytes("/x/" + kRandomName + ".flv"), kBuiltInLegacyEncoding);
        QCOMPARE(shown, QStringLiteral("/x/\\x80\\xFF\\x81\\xFE\\x8D.flv"));

        // The encoder's "\xHH" for bytes beyond UTF-8 stands for those bytes.
        QCOMPARE(ReadableText(
                     QStringLiteral("Error: input file \"/in/\\xB5\\xE7\\xD3\\xB0.flv\" is broken"),
                     kBuiltInLegacyEncoding),
                 QStringLiteral("Error: input file \"/in/电影.flv\" is broken"));
        QCOMPARE(ReadableText(QStringLiteral("a \\x41 \\x7F b"), kBuiltInLegacyEncoding),
                 QStringLiteral("a \\x41 \\x7F b"));

        QCOMPARE(LegacyEncodingForLanguage(QStringLiteral("简体中文")), LegacyEncoding::Gbk);
        QCOMPARE(LegacyEncodingForLanguage(QStringLiteral("繁體中文")), LegacyEncoding::Big5);
        QCOMPARE(LegacyEncodingForLanguage(QStringLiteral("日本語")), LegacyEncoding::ShiftJis);
        QCOMPARE(LegacyEncodingForLanguage(QStringLiteral("Español")), LegacyEncoding::Windows1252);
    }

    // The real file system takes and gives the names byte for byte.
    void realFilesKeepTheirBytes() {
        ForeignDir dir;
        const QString folder = PathFromBytes(QFile::encodeName(dir.path()) + "/\xbe\xc9\xb5\xb5/");
        SystemFileSystem files;
        QCOMPARE(files.makeDir(folder), QString());
        QStringList names;
        for (const Legacy& name : LegacyNames()) {
            names.append(PathFromBytes(name.bytes + ".flv"));
        }
        names.append(PathFromBytes(kRandomName + ".flv"));
        for (const QString& name : std::as_const(names)) {
            QCOMPARE(files.writeFile(folder + name, "abc"), QString());
            QVERIFY(files.isFile(folder + name));
            QCOMPARE(files.fileSize(folder + name), 3);
        }
        QStringList listed = files.listFiles(folder);
        QCOMPARE(listed.size(), names.size());
        for (const QString& name : std::as_const(names)) {
            QVERIFY(listed.contains(name));
        }
        // Qt's dialogs give such a name with U+FFFD: it leads back to the real files, all of
        // them when their names differ only in bytes that Qt cannot read.
        const QString lossyFolder = QFile::decodeName(PathToBytes(folder));
        QVERIFY(lossyFolder.contains(QChar::ReplacementCharacter));
        const QString gbk = folder + names.first();
        QCOMPARE(PathsQtReadsAs(QFile::decodeName(PathToBytes(gbk))), QStringList{gbk});
        const QString twin = folder + PathFromBytes("\xb5\xe7\xd3\xb0\xc6\xac\xb6\xcf.flv");
        QCOMPARE(files.writeFile(twin, "x"), QString());
        const QStringList both = PathsQtReadsAs(QFile::decodeName(PathToBytes(gbk)));
        QCOMPARE(both.size(), 2);
        QVERIFY(both.contains(gbk) && both.contains(twin));
        for (const QString& name : files.listFiles(folder)) {
            QCOMPARE(files.removeFile(folder + name), QString());
        }
        QCOMPARE(files.removeEmptyDir(folder), QString());
    }

    // A script in a folder whose name is not UTF-8 runs, and the file it holds open there is
    // known as the job's own (what tells a stopped job's partial target from anybody's file).
    void scriptsRunInForeignFolders() {
        ForeignDir dir;
        const QString folder = PathFromBytes(QFile::encodeName(dir.path()) + "/\x83\x72/");
        SystemFileSystem files;
        QCOMPARE(files.makeDir(folder), QString());
        QCOMPARE(files.writeFile(folder + "tmp.bat",
                                 "exec 3>\"$(dirname \"$0\")/out\"\n"
                                 "echo done >&3\n"
                                 "while :; do sleep 0.1; done\n"),
                 QString());
        SystemProcesses processes;
        QString error;
        const qint64 id = processes.startScript(folder + "tmp.bat", &error);
        QVERIFY2(id > 0, qPrintable(error));
        QVERIFY(QTest::qWaitFor([&] { return files.fileSize(folder + "out") > 0; }, 10000));
        QVERIFY(!files.fileIdentity(folder + "out").isEmpty());
        QCOMPARE(processes.heldFileIdentity(id, folder + "out"),
                 files.fileIdentity(folder + "out"));
        processes.release(id);  // ends the job
        QCOMPARE(files.readFrom(folder + "out", 0), QByteArray("done\n"));
    }
};

QTEST_GUILESS_MAIN(TestForeignNames)
#include "test_foreign_names.moc"
