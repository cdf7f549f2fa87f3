// SPDX-License-Identifier: GPL-3.0-or-later
// Files, temp folders, profile files and legacy code pages on Windows (run under Wine too).
#include <windows.h>

#include <cstdlib>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "platform/paths/PathBytes.h"
#include "platform/paths/ReadablePath.h"
#include "platform/real/IniProfileFiles.h"
#include "platform/windows/WindowsFileSystem.h"
#include "platform/windows/WindowsTempFolders.h"

using namespace vm;
using win_files::FileHandle;

namespace {

std::wstring Wide(const QString& path) {
    return win_files::WidePath(path);
}

void Put(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray Get(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void SetAttributes(const QString& path, DWORD attributes) {
    QVERIFY(::SetFileAttributesW(Wide(path).c_str(), attributes));
}

FileHandle Open(const QString& path, DWORD access, DWORD share, DWORD disposition) {
    return FileHandle(::CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

class TestWindowsFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    WindowsFileSystem fs_;
    IniProfileFiles ini_;

    QString path(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }

  private slots:
    void identityFollowsTheFileNotTheName() {
        Put(path("a.flv"), "x");
        Put(path("b.flv"), "x");
        const QString identity = fs_.fileIdentity(path("a.flv"));
        QVERIFY(!identity.isEmpty());
        QCOMPARE(fs_.fileIdentity(path("A.FLV")), identity);
        QCOMPARE(fs_.fileIdentity(QDir::toNativeSeparators(path("a.flv"))), identity);
        QVERIFY(fs_.sameFile(path("a.flv"), QDir::toNativeSeparators(path("A.flv"))));
        QVERIFY(!fs_.sameFile(path("a.flv"), path("b.flv")));
        QVERIFY(::MoveFileW(Wide(path("a.flv")).c_str(), Wide(path("moved.flv")).c_str()));
        QCOMPARE(fs_.fileIdentity(path("moved.flv")), identity);
        QVERIFY(fs_.fileIdentity(path("a.flv")).isEmpty());
        // A folder has one too.
        QVERIFY(!fs_.fileIdentity(dir_.path()).isEmpty());
        QCOMPARE(fs_.fileIdentity(dir_.path() + "/"), fs_.fileIdentity(dir_.path()));
    }

    void namesWindowsCannotHold() {
        for (const QString& bad :
             {QStringLiteral("a<b.avi"), QStringLiteral("a:b.avi"), QStringLiteral("a?.avi"),
              QStringLiteral("a\x01.avi"), QStringLiteral("clip."), QStringLiteral("clip "),
              QStringLiteral("CON"), QStringLiteral("con.avi"), QStringLiteral("Nul.tar.gz"),
              QStringLiteral("LPT1.mp3"), QStringLiteral("com9"), QString(256, QLatin1Char('x'))}) {
            QVERIFY2(!fs_.nameProblem(path(bad)).isEmpty(), qPrintable(bad));
        }
        for (const QString& good :
             {QStringLiteral("CONSOLE.avi"), QStringLiteral("COM0.avi"), QStringLiteral("a.b.c"),
              QStringLiteral("视频 😀.avi"), QString(255, QLatin1Char('x'))}) {
            QVERIFY2(fs_.nameProblem(path(good)).isEmpty(), qPrintable(good));
        }
        // Only the last part counts: the drive's colon does not.
        QVERIFY(fs_.nameProblem(QStringLiteral("C:/out/clip.avi")).isEmpty());
    }

    void listingIsSortedWithoutHiddenOrSystemEntries() {
        QVERIFY(QDir(dir_.path()).mkpath("list/Sub"));
        QVERIFY(QDir(dir_.path()).mkpath("list/hiddenDir"));
        for (const char* name : {"b.flv", "A.flv", "c.FLV", "h.flv", "s.flv"}) {
            Put(path("list/") + name, "x");
        }
        SetAttributes(path("list/h.flv"), FILE_ATTRIBUTE_HIDDEN);
        SetAttributes(path("list/s.flv"), FILE_ATTRIBUTE_SYSTEM);
        SetAttributes(path("list/hiddenDir"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
        QCOMPARE(fs_.listFiles(path("list")), (QStringList{"A.flv", "b.flv", "c.FLV"}));
        QCOMPARE(fs_.listFolders(path("list")), QStringList{"Sub"});
        SetAttributes(path("list/s.flv"), FILE_ATTRIBUTE_NORMAL);
    }

    void logIsReadWhileTheEncoderWritesIt() {
        // As a redirection opens it: writing, sharing reading and writing.
        const FileHandle log =
            Open(path("tmp"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS);
        QVERIFY(log.valid());
        DWORD written = 0;
        QVERIFY(::WriteFile(log.get(), "first\r", 6, &written, nullptr));
        bool ok = false;
        QCOMPARE(fs_.readFrom(path("tmp"), 0, &ok), QByteArray("first\r"));
        QVERIFY(ok);
        QVERIFY(::WriteFile(log.get(), "second", 6, &written, nullptr));
        QCOMPARE(fs_.readFrom(path("tmp"), 6, &ok), QByteArray("second"));
        fs_.readFrom(path("none"), 0, &ok);
        QVERIFY(!ok);
    }

    void replaceProblemAsksWhatDeletingNeeds() {
        Put(path("free.avi"), "x");
        Put(path("ro.avi"), "x");
        Put(path("busy.avi"), "x");
        SetAttributes(path("ro.avi"), FILE_ATTRIBUTE_READONLY);
        const FileHandle player =
            Open(path("busy.avi"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        QVERIFY(player.valid());
        QCOMPARE(fs_.replaceProblem(path("free.avi")), QString());
        QVERIFY(!fs_.replaceProblem(path("ro.avi")).isEmpty());
        QVERIFY(!fs_.replaceProblem(path("busy.avi")).isEmpty());
        QVERIFY(!fs_.replaceProblem(path("gone.avi")).isEmpty());
        QVERIFY(fs_.exists(path("ro.avi")) && fs_.exists(path("busy.avi")));  // nothing deleted
        SetAttributes(path("ro.avi"), FILE_ATTRIBUTE_NORMAL);
    }

    void cjkNamesRoundTrip() {
        const QString name = QStringLiteral("视频 テスト 한국 😀.flv");
        QCOMPARE(fs_.writeFile(path(name), "data"), QString());
        QVERIFY(fs_.isFile(path(name)) && !fs_.isDir(path(name)));
        QCOMPARE(fs_.fileSize(path(name)), qint64(4));
        QCOMPARE(fs_.readFrom(path(name), 0), QByteArray("data"));
        QVERIFY(QDir(dir_.path()).entryList(QDir::Files).contains(name));
        QCOMPARE(fs_.makeDir(path("文件夹")), QString());
        QVERIFY(fs_.listFolders(dir_.path()).contains(QStringLiteral("文件夹")));
        QCOMPARE(fs_.removeEmptyDir(path("文件夹")), QString());
        QCOMPARE(fs_.removeFile(path(name)), QString());
        QCOMPARE(fs_.removeFile(path(name)), QString());  // already gone: no error
        QVERIFY(!fs_.exists(path(name)));
    }

    void longPathsWork() {
        QString folder = dir_.path();
        for (int i = 0; i < 6; ++i) {
            folder += QLatin1Char('/') + QString(60, QChar(u'长'));
            QCOMPARE(fs_.makeDir(folder), QString());
        }
        const QString file = folder + QStringLiteral("/clip.flv");
        QCOMPARE(fs_.writeFile(file, "data"), QString());
        QCOMPARE(fs_.readFrom(file, 2), QByteArray("ta"));
        QVERIFY(!fs_.fileIdentity(file).isEmpty());
        QCOMPARE(fs_.listFiles(folder), QStringList{"clip.flv"});
        QCOMPARE(fs_.removeFile(file), QString());
        QCOMPARE(fs_.removeEmptyDir(folder), QString());
    }

    void programPathsAsQtHasThem() {
        const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).path();
        QCOMPARE(ExecutableFolder(), exe);
        QCOMPARE(CurrentFolder(), QDir::currentPath());
        // The wide command line, whatever the ANSI code page made of the C library's argv.
        QCOMPARE(ArgumentPaths(__argc, __argv), QCoreApplication::arguments());
    }

    void tempFolderIsHeldAndAbandonedOnesGo() {
        const QString base = TempFoldersBase();
        QString error;
        const QString mine = fs_.makePrivateTempFolder(&error);
        QVERIFY2(!mine.isEmpty(), qPrintable(error));
        QVERIFY(mine.startsWith(base + QLatin1Char('/')) && mine.endsWith(QLatin1Char('/')));
        // While held, its mark cannot be deleted, and no other copy takes the folder.
        QVERIFY(!::DeleteFileW(Wide(mine + ".vidmorf-temp").c_str()));
        Put(mine + "tmp.bat", "x");
        RemoveAbandonedTempFolders();
        QVERIFY(QFileInfo::exists(mine + "tmp.bat"));

        // A copy that ended left one behind; the user has a look-alike with a copied mark.
        FileHandle mark;
        unsigned long failure = 0;
        const QString left = MakeHeldTempFolder(&mark, &failure);
        QVERIFY(!left.isEmpty());
        Put(left + "/tmp.bat", "x");
        Put(left + "/tmp", "log");
        const QString lookAlike = base + "/vidmorf-temp-zzzzzz";
        QVERIFY(QDir().mkpath(lookAlike));
        Put(lookAlike + "/.vidmorf-temp", Get(mine + ".vidmorf-temp"));
        Put(lookAlike + "/tmp", "keep");
        mark.reset();
        RemoveAbandonedTempFolders();
        QVERIFY(!QFileInfo::exists(left));
        QCOMPARE(Get(lookAlike + "/tmp"), QByteArray("keep"));
        QVERIFY(QDir(lookAlike).removeRecursively());

        // Our own goes with its job's files once done.
        QCOMPARE(fs_.removeEmptyDir(mine), QString());
        QVERIFY(!QFileInfo::exists(mine));
    }

    void profileIsReplacedAtomicallyUnlessReadOnly() {
        Put(path("p.INI"), "[Info]\r\nSet=0\r\n");
        SetAttributes(path("p.INI"), FILE_ATTRIBUTE_HIDDEN);
        const QString before = fs_.fileIdentity(path("p.INI"));
        ini_.writeString(path("p.INI"), "info", "SET", "0");
        QCOMPARE(fs_.fileIdentity(path("p.INI")), before);  // same value: untouched
        ini_.writeString(path("p.INI"), "info", "SET", "1");
        QCOMPARE(Get(path("p.INI")), QByteArray("[Info]\r\nSet=1\r\n"));
        QVERIFY(fs_.fileIdentity(path("p.INI")) != before);  // replaced, not rewritten in place
        QVERIFY(::GetFileAttributesW(Wide(path("p.INI")).c_str()) & FILE_ATTRIBUTE_HIDDEN);
        QCOMPARE(QDir(dir_.path()).entryList({"*p.INI*"}, QDir::Files | QDir::Hidden),
                 QStringList{"p.INI"});

        Put(path("ro.INI"), "[Info]\r\nSet=0\r\n");
        SetAttributes(path("ro.INI"), FILE_ATTRIBUTE_READONLY);
        ini_.writeString(path("ro.INI"), "Info", "Set", "1");
        QCOMPARE(Get(path("ro.INI")), QByteArray("[Info]\r\nSet=0\r\n"));
        SetAttributes(path("ro.INI"), FILE_ATTRIBUTE_NORMAL);
        ini_.writeString(path("gone.INI"), "Info", "Set", "1");
        QVERIFY(!QFileInfo::exists(path("gone.INI")));
    }

    void legacyTextThroughTheCodePages() {
        Put(path("g.INI"), "[Info]\r\nLanguage=\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4\r\nT=\x80\r\n");
        QCOMPARE(ini_.readString(path("g.INI"), "Info", "Language", ""),
                 QStringLiteral("简体中文"));
        QCOMPARE(ini_.readString(path("g.INI"), "Info", "T", ""), QStringLiteral("€"));
        ini_.writeString(path("g.INI"), "Info", "Note", QStringLiteral("中文"));
        QVERIFY(Get(path("g.INI")).endsWith("Note=\xD6\xD0\xCE\xC4\r\n"));
        ini_.writeString(path("g.INI"), "Info", "Note", QStringLiteral("😀"));  // not in GBK
        QCOMPARE(ini_.readString(path("g.INI"), "Info", "Note", ""), QStringLiteral("中文"));

        // Names from old archives read as on POSIX.
        const auto readable = [](const QByteArray& bytes, LegacyEncoding preferred) {
            return ReadablePath(PathFromBytes(bytes), preferred);
        };
        QCOMPARE(readable("\xb5\xe7\xd3\xb0\xc6\xac\xb6\xce", LegacyEncoding::Gbk),
                 QStringLiteral("电影片段"));
        QCOMPARE(readable("\xb9\x71\xbc\x76\xa4\xf9\xac\x71", LegacyEncoding::Big5),
                 QStringLiteral("電影片段"));
        QCOMPARE(readable("\x83\x72\x83\x66\x83\x49", LegacyEncoding::ShiftJis),
                 QStringLiteral("ビデオ"));
        QCOMPARE(readable("Caf\xe9", LegacyEncoding::Gbk), QStringLiteral("Café"));
        QCOMPARE(readable("\x80\xff\x81\xfe\x8d", LegacyEncoding::Gbk),
                 QStringLiteral("\\x80\\xFF\\x81\\xFE\\x8D"));
        QCOMPARE(LegacyEncodingForLanguage(QStringLiteral("繁體中文")), LegacyEncoding::Big5);
        QCOMPARE(LegacyEncodingForLanguage(QStringLiteral("简体中文")), LegacyEncoding::Gbk);
    }
};

QTEST_GUILESS_MAIN(TestWindowsFiles)
#include "test_windows_files.moc"
