// SPDX-License-Identifier: GPL-3.0-or-later
// The packs we ship: complete and well-formed.
#include <QDir>
#include <QFile>
#include <QTest>

#include "SystemBackEnds.h"
#include "i18n/AccessTexts.h"
#include "i18n/BatchTexts.h"
#include "i18n/DesktopTexts.h"
#include "i18n/LanguagePacks.h"
#include "i18n/LanguageTexts.h"
#include "platform/real/ProfileFormat.h"

using namespace vm;

namespace {

const QString kFolder = QStringLiteral(VM_PACKS_DIR "/");

const QList<QPair<const char*, QStringList>> kKeys = {
    {"Info", {"Language", "Set", "Translator"}},
    {"Tab", {"tab1", "tab2", "tab3", "tab4", "tab5", "tab6"}},
    {"Tab1", {"cmd11", "cmd12", "cmd13"}},
    {"Tab2", {"frm21", "frm22", "cmd21", "opt21", "opt22", "opt23", "opt24"}},
    {"Tab3",
     {"frm31", "frm32", "frm33", "lab31", "lab32", "lab33", "lab34", "lab35", "lab36", "lis31",
      "lis32"}},
    {"Tab4", {"lab41", "cmd41", "cmd42", "cmd43", "frm41", "lab42", "lab43", "lab44", "lab45"}},
    {"Tab5", {"lab51"}},
    {"Tab6", {"lab61", "lab62", "cmd61", "frm61"}},
    {"Access", {"acc1", "acc2"}},
    {"Dialog", {"title1", "title2", "title3", "msg1",  "msg2",  "msg3",  "msg4",  "msg5",
                "msg6",   "msg7",   "msg8",   "msg9",  "msg10", "msg11", "msg12", "msg13",
                "msg14",  "msg15",  "msg16",  "msg17", "note1", "note2", "note3", "note4"}},
    // The notification's actions and why the machine stays awake during a run.
    {"Dialog", {"note5", "note6", "note7"}},
    {"Batch", {"bat1", "bat2", "bat3", "bat4", "bat5", "bat6", "bat7", "bat8", "bat9", "bat10"}},
};

}  // namespace

class TestShippedPacks : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void wellFormedAndComplete();
    void simplifiedChineseIsTheBuiltInText();
    void languagesAreDistinctAndScanRemembersSimplified();

  private:
    SystemFileSystem files_;
    SystemProfileFiles ini_;
    QStringList packs_;
};

void TestShippedPacks::initTestCase() {
    packs_ = ListLanguagePacks(files_, kFolder);
    QVERIFY(packs_.size() >= 3);
}

void TestShippedPacks::wellFormedAndComplete() {
    for (const QString& name : packs_) {
        QFile f(kFolder + name);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const std::string text = bytes.toStdString();
        QVERIFY2(profile::IsValidUtf8(text), qPrintable(name));
        QVERIFY2(bytes.endsWith("\r\n"), qPrintable(name));
        QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        int keys = 0;
        for (const auto& [section, names] : kKeys) {
            for (const QString& key : names) {
                auto value = profile::FindValue(text, section, key.toStdString());
                const QString where = name + " " + section + "/" + key;
                QVERIFY2(value.has_value(), qPrintable(where + " is missing"));
                QVERIFY2(value->size() <= profile::kMaxValueBytes, qPrintable(where));
                QVERIFY2(!value->empty(), qPrintable(where + " is empty"));
                ++keys;
            }
        }
        // Nothing else: every line with '=' is one of the keys above.
        int lines = 0;
        for (const QByteArray& line : bytes.split('\n')) {
            lines += line.contains('=') ? 1 : 0;
        }
        QCOMPARE(lines, keys);
        QVERIFY(ReadPackText(ini_, kFolder + name, "Info", "Translator", "none") != "none");
    }
}

void TestShippedPacks::simplifiedChineseIsTheBuiltInText() {
    const QString path = FindLanguagePack(files_, ini_, kFolder, QString::fromUtf8("简体中文"));
    QVERIFY(!path.isEmpty());
    const LanguageTexts pack = ReadLanguageTexts(ini_, path);
    const LanguageTexts builtIn = BuiltInLanguageTexts();
    QCOMPARE(pack.captions.size(), builtIn.captions.size());
    for (qsizetype i = 0; i < pack.captions.size(); ++i) {
        QCOMPARE(pack.captions[i].objectName, builtIn.captions[i].objectName);
        QCOMPARE(pack.captions[i].text, builtIn.captions[i].text);
    }
    QCOMPARE(pack.stereo, builtIn.stereo);
    QCOMPARE(pack.mono, builtIn.mono);
    QCOMPARE(pack.messages.texts, builtIn.messages.texts);
    QCOMPARE(pack.messages.convertingCaption, builtIn.messages.convertingCaption);

    const DesktopTexts desktop = ReadDesktopTexts(ini_, path);
    const DesktopTexts builtInDesktop = BuiltInDesktopTexts();
    QCOMPARE(desktop.runEndedTitle, builtInDesktop.runEndedTitle);
    QCOMPARE(desktop.runEndedBody, builtInDesktop.runEndedBody);
    QCOMPARE(desktop.stoppedReason, builtInDesktop.stoppedReason);
    QCOMPARE(desktop.silentReason, builtInDesktop.silentReason);
    QCOMPARE(desktop.awakeReason, builtInDesktop.awakeReason);
    QCOMPARE(desktop.openFolderAction, builtInDesktop.openFolderAction);
    QCOMPARE(desktop.detailsAction, builtInDesktop.detailsAction);
    const AccessTexts access = ReadAccessTexts(ini_, path);
    QCOMPARE(access.languageBox, BuiltInAccessTexts().languageBox);
    QCOMPARE(access.fileList, BuiltInAccessTexts().fileList);
    // Every pack's body takes all three counts (one that did not would be replaced).
    for (const QString& name : packs_) {
        const QString body = ReadPackText(ini_, kFolder + name, "Dialog", "note2", {});
        for (const char* count : {"%1", "%2", "%3"}) {
            QVERIFY2(body.contains(QLatin1String(count)), qPrintable(name));
        }
        const QString awake = ReadPackText(ini_, kFolder + name, "Dialog", "note5", {});
        QVERIFY2(awake.contains("%1") && awake.contains("%2"), qPrintable(name));
    }

    // The batch program's texts: the built-in ones are the Simplified Chinese pack's, and each
    // pack's own are taken (a text missing one of its values would give the built-in one).
    const BatchTexts builtInBatch = BuiltInBatchTexts();
    QCOMPARE(ReadBatchTexts(ini_, path).progress, builtInBatch.progress);
    QCOMPARE(ReadBatchTexts(ini_, path).valueRefused, builtInBatch.valueRefused);
    for (const QString& name : packs_) {
        const BatchTexts batch = ReadBatchTexts(ini_, kFolder + name);
        QCOMPARE(batch.progress, ReadPackText(ini_, kFolder + name, "Batch", "bat1", {}));
        QCOMPARE(batch.summary, ReadPackText(ini_, kFolder + name, "Batch", "bat2", {}));
        QCOMPARE(batch.badValue, ReadPackText(ini_, kFolder + name, "Batch", "bat6", {}));
        QCOMPARE(batch.valueRefused, ReadPackText(ini_, kFolder + name, "Batch", "bat10", {}));
    }
}

void TestShippedPacks::languagesAreDistinctAndScanRemembersSimplified() {
    const PackScan scan = ScanLanguagePacks(files_, ini_, kFolder);
    for (const char* required : {"简体中文", "繁體中文", "English"}) {
        QVERIFY2(scan.languages.contains(QString::fromUtf8(required)), required);
    }
    // No name begins with another, so choosing one never marks two packs.
    for (const QString& a : scan.languages) {
        for (const QString& b : scan.languages) {
            QVERIFY2(&a == &b || !b.startsWith(a), qPrintable(a + " / " + b));
        }
    }
    QCOMPARE(scan.remembered, QString::fromUtf8("简体中文"));
    int marked = 0;
    for (const QString& name : packs_) {
        marked += ReadPackText(ini_, kFolder + name, "Info", "Set", "0") == "1" ? 1 : 0;
    }
    QCOMPARE(marked, 1);
}

QTEST_GUILESS_MAIN(TestShippedPacks)
#include "test_shipped_packs.moc"
