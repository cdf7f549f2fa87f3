// SPDX-License-Identifier: GPL-3.0-or-later
// Profile files on disk: encodings, limits, and writes that never damage a file.
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/paths/PathBytes.h"
#include "platform/real/IniProfileFiles.h"

using vm::IniProfileFiles;

namespace {

void Put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray Get(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct stat Stat(const QString& path) {
    struct stat st {};
    ::lstat(vm::PathToBytes(path).constData(), &st);
    return st;
}

}  // namespace

class TestIniProfileFiles : public QObject {
    Q_OBJECT
  private slots:
    void init() { QVERIFY(dir_.isValid()); }
    void missingThingsGiveFallback();
    void encodings();
    void valueLimit();
    void badFilesNeverBreakAReader();
    void writeKeepsEveryOtherByteAndMode();
    void writeOfSameValueDoesNotTouchTheFile();
    void writeAddsKeyAndSectionInFileEncoding();
    void readOnlyFilesKeepTheirContents();
    void missingFileIsNotCreated();
    void linkStaysALink();
    void writeLeavesNoTemporaryFiles();

  private:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
    IniProfileFiles ini_;
};

void TestIniProfileFiles::missingThingsGiveFallback() {
    Put(path("a.INI"), "[Info]\r\nLanguage=English\r\nSet=\r\n");
    QCOMPARE(ini_.readString(path("none.INI"), "Info", "Language", "fb"), QString("fb"));
    QCOMPARE(ini_.readString(path("a.INI"), "Nope", "Language", "fb"), QString("fb"));
    QCOMPARE(ini_.readString(path("a.INI"), "Info", "Nope", "fb"), QString("fb"));
    QCOMPARE(ini_.readString(path("a.INI"), "Info", "Set", "fb"), QString(""));
    QCOMPARE(ini_.readString(path("a.INI"), "info", "LANGUAGE", "fb"), QString("English"));
    QCOMPARE(ini_.readString(QString(), "Info", "Language", "fb"), QString("fb"));
    // A folder is no profile file.
    QVERIFY(QDir(dir_.path()).mkdir("d.INI"));
    QCOMPARE(ini_.readString(path("d.INI"), "Info", "Language", "fb"), QString("fb"));
}

void TestIniProfileFiles::encodings() {
    // Valid UTF-8 is read as UTF-8, with or without a byte-order mark.
    Put(path("u.INI"), "\xEF\xBB\xBF[Info]\nLanguage=繁體中文\n");
    QCOMPARE(ini_.readString(path("u.INI"), "Info", "Language", ""), QString::fromUtf8("繁體中文"));
    // Anything else is read as GBK.
    Put(path("g.INI"), "[Info]\r\nLanguage=\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4\r\nT=\x80\r\n");
    QCOMPARE(ini_.readString(path("g.INI"), "Info", "Language", ""), QString::fromUtf8("简体中文"));
    QCOMPARE(ini_.readString(path("g.INI"), "Info", "T", ""), QString::fromUtf8("€"));
}

void TestIniProfileFiles::valueLimit() {
    // 254 bytes are taken whole; more are cut at a character boundary.
    const QByteArray exact(254, 'x');
    const QString han(100, QChar(0x4E2D));
    QByteArray gbk;
    for (int i = 0; i < 200; ++i) {
        gbk += "\xD6\xD0";
    }
    Put(path("u.INI"),
        "[A]\nexact=" + exact + "\nlong=" + QByteArray(1000, 'y') + "\nhan=" + han.toUtf8() + "\n");
    Put(path("g.INI"), "[A]\nhan=a" + gbk + "\n");
    QCOMPARE(ini_.readString(path("u.INI"), "A", "exact", ""), QString(exact));
    QCOMPARE(ini_.readString(path("u.INI"), "A", "long", ""), QString(254, 'y'));
    QCOMPARE(ini_.readString(path("u.INI"), "A", "han", ""), han.left(84));
    QCOMPARE(ini_.readString(path("g.INI"), "A", "han", ""), "a" + QString(126, QChar(0x4E2D)));
}

void TestIniProfileFiles::badFilesNeverBreakAReader() {
    // Binary garbage of several megabytes with a pack hidden at its end.
    QByteArray junk(4 * 1024 * 1024, '\0');
    quint32 x = 7;
    for (char& c : junk) {
        x = x * 1103515245u + 12345u;
        c = char(x >> 16);
    }
    Put(path("junk.INI"), junk + "\n[Info]\nLanguage=Junk\n");
    QCOMPARE(ini_.readString(path("junk.INI"), "Info", "Language", "fb"), QString("Junk"));
    ini_.writeString(path("junk.INI"), "Info", "Set", "1");
    QCOMPARE(ini_.readString(path("junk.INI"), "Info", "Set", ""), QString("1"));
    QCOMPARE(Get(path("junk.INI")), junk + "\n[Info]\nLanguage=Junk\nSet=1\n");

    // A FIFO with a pack's name must not block the reader or the writer.
    const QString fifo = path("fifo.INI");
    QCOMPARE(::mkfifo(vm::PathToBytes(fifo).constData(), 0644), 0);
    QCOMPARE(ini_.readString(fifo, "Info", "Language", "fb"), QString("fb"));
    ini_.writeString(fifo, "Info", "Set", "1");
    QVERIFY(S_ISFIFO(Stat(fifo).st_mode));

    // A NUL inside a value ends it.
    Put(path("nul.INI"), QByteArray("[A]\nk=ab\0cd\n", 12));
    QCOMPARE(ini_.readString(path("nul.INI"), "A", "k", ""), QString("ab"));
}

void TestIniProfileFiles::writeKeepsEveryOtherByteAndMode() {
    const QByteArray before =
        "\xEF\xBB\xBF; no comments here\r\n[Info]\r\nLanguage = English \r\n  SET=\"0\"\t\r\n"
        "Translator=Team\r\n\r\n[Tab]\rtab1=Files\nlooks like junk\r\n[Info]\r\nSet=0";
    Put(path("p.INI"), before);
    ::chmod(vm::PathToBytes(path("p.INI")).constData(), 0640);
    ini_.writeString(path("p.INI"), "info", "set", "1");
    QByteArray expected = before;
    expected.replace("SET=\"0\"", "SET=1");
    QCOMPARE(Get(path("p.INI")), expected);
    QCOMPARE(Stat(path("p.INI")).st_mode & 07777, mode_t(0640));
}

void TestIniProfileFiles::writeOfSameValueDoesNotTouchTheFile() {
    Put(path("p.INI"), "[Info]\nSet=1\n");
    const ino_t inode = Stat(path("p.INI")).st_ino;
    ini_.writeString(path("p.INI"), "Info", "Set", "1");
    QCOMPARE(Stat(path("p.INI")).st_ino, inode);
    ini_.writeString(path("p.INI"), "Info", "Set", "0");
    QVERIFY(Stat(path("p.INI")).st_ino != inode);  // replaced, not rewritten in place
}

void TestIniProfileFiles::writeAddsKeyAndSectionInFileEncoding() {
    Put(path("g.INI"), "[Info]\nLanguage=\xBC\xF2\xCC\xE5\n[Tab]\ntab1=x");
    ini_.writeString(path("g.INI"), "Info", "Note", QString::fromUtf8("中文"));
    ini_.writeString(path("g.INI"), "Dialog", "msg1", "m");
    QCOMPARE(Get(path("g.INI")),
             QByteArray("[Info]\nLanguage=\xBC\xF2\xCC\xE5\nNote=\xD6\xD0\xCE\xC4"
                        "\n[Tab]\ntab1=x\n[Dialog]\nmsg1=m\n"));
    // A value the file's encoding cannot hold is not written at all.
    ini_.writeString(path("g.INI"), "Info", "Note", QString::fromUtf8("😀"));
    QCOMPARE(ini_.readString(path("g.INI"), "Info", "Note", ""), QString::fromUtf8("中文"));
    // A value with a line break would forge other keys: refused.
    ini_.writeString(path("g.INI"), "Info", "Note", "x\r\n[Info]\r\nSet=1");
    QCOMPARE(ini_.readString(path("g.INI"), "Info", "Note", ""), QString::fromUtf8("中文"));
}

void TestIniProfileFiles::readOnlyFilesKeepTheirContents() {
    const QByteArray before = "[Info]\r\nSet=1\r\n";
    Put(path("ro.INI"), before);
    ::chmod(vm::PathToBytes(path("ro.INI")).constData(), 0444);
    ini_.writeString(path("ro.INI"), "Info", "Set", "0");
    ini_.writeString(path("ro.INI"), "Info", "Other", "0");
    QCOMPARE(Get(path("ro.INI")), before);
    QCOMPARE(Stat(path("ro.INI")).st_mode & 07777, mode_t(0444));
}

void TestIniProfileFiles::missingFileIsNotCreated() {
    ini_.writeString(path("gone.INI"), "Info", "Set", "0");
    QVERIFY(!QFile::exists(path("gone.INI")));
}

void TestIniProfileFiles::linkStaysALink() {
    QVERIFY(QDir(dir_.path()).mkdir("real"));
    Put(path("real/target.ini"), "[Info]\nSet=0\n");
    QVERIFY(QFile::link(path("real/target.ini"), path("link.INI")));
    ini_.writeString(path("link.INI"), "Info", "Set", "1");
    QVERIFY(S_ISLNK(Stat(path("link.INI")).st_mode));
    QCOMPARE(Get(path("real/target.ini")), QByteArray("[Info]\nSet=1\n"));
}

void TestIniProfileFiles::writeLeavesNoTemporaryFiles() {
    QVERIFY(QDir(dir_.path()).mkdir("clean"));
    Put(path("clean/p.INI"), "[Info]\nSet=0\n");
    for (int i = 0; i < 20; ++i) {
        ini_.writeString(path("clean/p.INI"), "Info", "Set", QString::number(i % 2));
    }
    QCOMPARE(QDir(path("clean")).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{"p.INI"});
}

QTEST_GUILESS_MAIN(TestIniProfileFiles)
#include "test_ini_profile_files.moc"
