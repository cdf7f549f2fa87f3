// SPDX-License-Identifier: GPL-3.0-or-later
// Listing, scanning, finding and marking the packs of a program folder, on real files.
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "SystemBackEnds.h"
#include "i18n/LanguagePacks.h"
#include "platform/paths/PathBytes.h"

using namespace vm;

class TestLanguagePacks : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void listsIniFilesInAnyCase();
    void readPackText();
    void scanBuildsBoxThanksAndRemembered();
    void setMarksWhenItReadsAsOne_data();
    void setMarksWhenItReadsAsOne();
    void laterMarkedPackWins();
    void findTakesFirstPrefixMatch();
    void markByPrefix();
    void emptyShownTextMarksAll();
    void markLeavesAllOtherBytes();
    void readOnlyPackKeepsItsMarker();
    void badPacksNeverBreakTheScan();

  private:
    void put(const QString& name, const QByteArray& bytes);
    QByteArray get(const QString& name) const;
    QByteArray pack(const QByteArray& language, const QByteArray& set = "0") const {
        return "[Info]\r\nLanguage=" + language + "\r\nSet=" + set + "\r\nTranslator=T\r\n";
    }
    QString setOf(const QString& name) const {
        return ReadPackText(ini_, folder_ + name, "Info", "Set", "<none>");
    }

    QTemporaryDir* dir_ = nullptr;
    QString folder_;
    SystemFileSystem files_;
    SystemProfileFiles ini_;
};

void TestLanguagePacks::init() {
    dir_ = new QTemporaryDir;
    QVERIFY(dir_->isValid());
    folder_ = dir_->path() + QLatin1Char('/');
}

void TestLanguagePacks::cleanup() {
    delete dir_;
    dir_ = nullptr;
}

void TestLanguagePacks::put(const QString& name, const QByteArray& bytes) {
    QFile f(folder_ + name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray TestLanguagePacks::get(const QString& name) const {
    QFile f(folder_ + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestLanguagePacks::listsIniFilesInAnyCase() {
    for (const char* name : {"b.ini", "A.INI", "c.Ini", "notes.ini.bak", "ini", ".INI",
                             ".hidden.INI", "x.INIx", "coder.dll"}) {
        put(name, "");
    }
    QVERIFY(QDir(dir_->path()).mkdir("folder.INI"));
    QCOMPARE(ListLanguagePacks(files_, folder_), (QStringList{"A.INI", "b.ini", "c.Ini"}));
    QCOMPARE(ListLanguagePacks(files_, folder_ + "missing/"), QStringList());
}

void TestLanguagePacks::readPackText() {
    put("p.INI", "[Info]\r\nLanguage=\r\n");
    QCOMPARE(ReadPackText(ini_, QString(), "Info", "Language", "fb"), QString("fb"));
    QCOMPARE(ReadPackText(ini_, folder_ + "p.INI", "Info", "Language", "fb"), QString(""));
    QCOMPARE(ReadPackText(ini_, folder_ + "p.INI", "Info", "Set", "fb"), QString("fb"));
    QCOMPARE(ReadPackText(ini_, folder_ + "none.INI", "Info", "Set", "fb"), QString("fb"));
}

void TestLanguagePacks::scanBuildsBoxThanksAndRemembered() {
    // No packs: nothing at all.
    PackScan none = ScanLanguagePacks(files_, ini_, folder_);
    QVERIFY(none.languages.isEmpty() && none.thanks.isEmpty() && none.remembered.isEmpty());

    put("a.INI", "[Info]\nLanguage=English\nTranslator=Ann\n");
    put("b.INI", "[Tab]\ntab1=x\n");  // no Info: file name, "none", unmarked
    put("c.INI", "[Info]\nLanguage=English\nSet=1\n");
    put("d.INI", "[Info]\nLanguage=\nTranslator=\n");
    PackScan scan = ScanLanguagePacks(files_, ini_, folder_);
    QCOMPARE(scan.languages, (QStringList{"English", "b.INI", "English", ""}));
    QCOMPARE(scan.thanks, QString("English - Ann\r\nb.INI - none\r\nEnglish - none\r\n - "));
    QCOMPARE(scan.remembered, QString("English"));
}

void TestLanguagePacks::setMarksWhenItReadsAsOne_data() {
    QTest::addColumn<QByteArray>("setLine");
    QTest::addColumn<bool>("marked");
    QTest::newRow("1") << QByteArray("Set=1") << true;
    QTest::newRow("01") << QByteArray("Set=01") << true;
    QTest::newRow("quoted, blanks") << QByteArray("set = \"1\" ") << true;
    QTest::newRow("+1") << QByteArray("Set=+1") << true;
    QTest::newRow("1.0") << QByteArray("Set=1.0") << true;
    QTest::newRow("0") << QByteArray("Set=0") << false;
    QTest::newRow("2") << QByteArray("Set=2") << false;
    QTest::newRow("11") << QByteArray("Set=11") << false;
    QTest::newRow("10") << QByteArray("Set=10") << false;
    QTest::newRow("-1") << QByteArray("Set=-1") << false;
    QTest::newRow("1.5") << QByteArray("Set=1.5") << false;
    QTest::newRow("empty") << QByteArray("Set=") << false;
    QTest::newRow("word") << QByteArray("Set=yes") << false;
    QTest::newRow("number and word") << QByteArray("Set=1 yes") << false;
    QTest::newRow("missing") << QByteArray("Other=1") << false;
}

void TestLanguagePacks::setMarksWhenItReadsAsOne() {
    QFETCH(QByteArray, setLine);
    QFETCH(bool, marked);
    put("p.INI", "[Info]\nLanguage=L\n" + setLine + "\n");
    QCOMPARE(ScanLanguagePacks(files_, ini_, folder_).remembered,
             marked ? QString("L") : QString());
}

void TestLanguagePacks::laterMarkedPackWins() {
    put("a.INI", pack("Deutsch", "1"));
    put("B.INI", pack("English", "1"));
    put("c.INI", pack("Français", "0"));
    QCOMPARE(ScanLanguagePacks(files_, ini_, folder_).remembered, QString("English"));
    // After the next close only what matches the shown text stays marked.
    MarkLanguagePacks(files_, ini_, folder_, "English");
    QCOMPARE(setOf("a.INI") + setOf("B.INI") + setOf("c.INI"), QString("010"));
}

void TestLanguagePacks::findTakesFirstPrefixMatch() {
    put("a.INI", pack("English (UK)"));
    put("b.INI", pack("English"));
    put("c.INI", "[Info]\nTranslator=x\n");  // no Language: never found by its file name
    put("d.INI", pack(""));
    QCOMPARE(FindLanguagePack(files_, ini_, folder_, "English"), folder_ + "a.INI");
    QCOMPARE(FindLanguagePack(files_, ini_, folder_, "English (UK)"), folder_ + "a.INI");
    QCOMPARE(FindLanguagePack(files_, ini_, folder_, "english"), QString());
    QCOMPARE(FindLanguagePack(files_, ini_, folder_, "English (UK) more"), QString());
    QCOMPARE(FindLanguagePack(files_, ini_, folder_, "c.INI"), QString());
    QCOMPARE(FindLanguagePack(files_, ini_, folder_, ""), folder_ + "a.INI");
    // A pack whose Language is empty is found first by the empty name when it lists first.
    put("0.INI", pack(""));
    QCOMPARE(FindLanguagePack(files_, ini_, folder_, ""), folder_ + "0.INI");
}

void TestLanguagePacks::markByPrefix() {
    put("a.INI", pack("English", "0"));
    put("b.INI", pack("English (UK)", "0"));
    put("c.INI", pack("english", "1"));
    put("d.INI", pack("Eng", "1"));
    put("English.INI", "[Tab]\n");  // no Language: its file name decides, Set gets added
    MarkLanguagePacks(files_, ini_, folder_, "English");
    QCOMPARE(
        setOf("a.INI") + setOf("b.INI") + setOf("c.INI") + setOf("d.INI") + setOf("English.INI"),
        QString("11001"));
    QCOMPARE(get("English.INI"), QByteArray("[Tab]\n[Info]\nSet=1\n"));
}

void TestLanguagePacks::emptyShownTextMarksAll() {
    put("a.INI", pack("A", "0"));
    put("b.INI", pack("", "0"));
    put("c.INI", "");
    MarkLanguagePacks(files_, ini_, folder_, QString());
    QCOMPARE(setOf("a.INI") + setOf("b.INI") + setOf("c.INI"), QString("111"));
    // And the next start-up remembers the pack listed last.
    QCOMPARE(ScanLanguagePacks(files_, ini_, folder_).remembered, QString("c.INI"));
}

void TestLanguagePacks::markLeavesAllOtherBytes() {
    const QByteArray before = "\xEF\xBB\xBF[Info]\nLanguage = English\n  Set = 0 \n[Tab]\rtab1=a";
    put("a.INI", before);
    MarkLanguagePacks(files_, ini_, folder_, "English");
    QByteArray after = before;
    after.replace("Set = 0", "Set = 1");
    QCOMPARE(get("a.INI"), after);
}

void TestLanguagePacks::readOnlyPackKeepsItsMarker() {
    put("a.INI", pack("A", "1"));
    put("b.INI", pack("B", "1"));
    QVERIFY(::chmod(vm::PathToBytes(folder_ + "a.INI").constData(), 0444) == 0);
    MarkLanguagePacks(files_, ini_, folder_, "B");
    QCOMPARE(setOf("a.INI") + setOf("b.INI"), QString("11"));
}

void TestLanguagePacks::badPacksNeverBreakTheScan() {
    QByteArray garbage(3 * 1024 * 1024, '\0');
    for (int i = 0; i < garbage.size(); ++i) {
        garbage[i] = char((i * 7919) ^ (i >> 5));
    }
    put("1.INI", garbage);
    put("2.INI", "[Info]\rLanguage=" + QByteArray(400, 'L') + "\rSet=1");  // CR only, no end
    put("3.INI", "[Info]\nLanguage=A\n[Info]\nLanguage=B\nSet=1\n");       // duplicate section
    put("4.INI", "[Info]\nLanguage\nSet\nLanguage=C\n");                   // lines without '='
    PackScan scan = ScanLanguagePacks(files_, ini_, folder_);
    QCOMPARE(scan.languages.size(), 4);
    QCOMPARE(scan.languages.mid(1), (QStringList{QString(254, 'L'), "A", "C"}));
    QCOMPARE(scan.remembered, QString(254, 'L'));
    MarkLanguagePacks(files_, ini_, folder_, "A");
    QCOMPARE(setOf("3.INI") + setOf("4.INI"), QString("10"));
    QCOMPARE(get("3.INI"), QByteArray("[Info]\nLanguage=A\nSet=1\n[Info]\nLanguage=B\nSet=1\n"));
}

QTEST_GUILESS_MAIN(TestLanguagePacks)
#include "test_language_packs.moc"
