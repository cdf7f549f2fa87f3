// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of a language switch: which keys, in which order, into which controls, and what a
// missing key gives.
#include <QHash>
#include <QTest>

#include "i18n/LanguageTexts.h"
#include "platform/ProfileFiles.h"

using namespace vm;

namespace {

// Answers from a table ("Section/key" -> value) and records every read.
class TableProfiles : public ProfileFiles {
  public:
    QString readString(const QString& file, const QString& section, const QString& key,
                       const QString& fallback) const override {
        reads.append(section + "/" + key);
        files.append(file);
        auto it = values.find(section + "/" + key);
        return it == values.end() ? fallback : *it;
    }
    void writeString(const QString&, const QString&, const QString&, const QString&) override {
        ++writes;
    }
    QHash<QString, QString> values;
    mutable QStringList reads;
    mutable QStringList files;
    int writes = 0;
};

QString CaptionOf(const LanguageTexts& t, const QString& name, int index = -1) {
    for (const CaptionText& c : t.captions) {
        if (c.objectName == name && c.index == index) {
            return c.text;
        }
    }
    return "<no such caption>";
}

const QStringList kOrder = {
    "Tab/tab1",     "Tab/tab2",      "Tab/tab3",      "Tab/tab4",      "Tab/tab5",
    "Tab/tab6",     "Tab1/cmd11",    "Tab1/cmd12",    "Tab1/cmd13",    "Tab2/frm21",
    "Tab2/frm22",   "Tab2/cmd21",    "Tab2/opt21",    "Tab2/opt22",    "Tab2/opt23",
    "Tab2/opt24",   "Tab3/frm31",    "Tab3/frm32",    "Tab3/frm33",    "Tab3/lab31",
    "Tab3/lab32",   "Tab3/lab33",    "Tab3/lab34",    "Tab3/lab35",    "Tab3/lab36",
    "Tab3/lis31",   "Tab3/lis32",    "Tab4/lab41",    "Tab4/cmd41",    "Tab4/cmd42",
    "Tab4/cmd43",   "Tab4/frm41",    "Tab4/lab42",    "Tab4/lab43",    "Tab4/lab44",
    "Tab4/lab45",   "Tab5/lab51",    "Tab6/lab61",    "Tab6/lab62",    "Tab6/cmd61",
    "Tab6/frm61",   "Dialog/title1", "Dialog/title2", "Dialog/title3", "Dialog/msg1",
    "Dialog/msg2",  "Dialog/msg3",   "Dialog/msg4",   "Dialog/msg5",   "Dialog/msg6",
    "Dialog/msg7",  "Dialog/msg8",   "Dialog/msg9",   "Dialog/msg10",  "Dialog/msg11",
    "Dialog/msg12", "Dialog/msg13",  "Dialog/msg14",  "Dialog/msg15",  "Dialog/msg16",
    "Dialog/msg17"};

// Control that each key of kOrder sets, "" for the ones that are no caption.
const QStringList kControls = {
    "Option7#0", "Option7#1", "Option7#2", "Option7#3", "Option7#4", "Option7#5", "Command1",
    "Command9",  "Command8",  "Frame6",    "Frame4",    "Command2",  "Option6",   "Option3",
    "Option5",   "Option4",   "Frame5",    "Frame1",    "Frame2",    "Label3",    "Label4",
    "Label5",    "Label6",    "Label7",    "Label8",    "",          "",          "Label21",
    "Command3",  "Command6",  "Command5",  "Frame3",    "Label9",    "Label14",   "Label10",
    "Label11",   "Label29",   "",          "Label23",   "Command4",  "Frame8"};

}  // namespace

class TestLanguageTexts : public QObject {
    Q_OBJECT
  private slots:
    void readsEveryKeyOnceInOrderIntoItsControl();
    void missingPackGivesFallbacks();
    void partialPackFallsBackPerKey();
};

void TestLanguageTexts::readsEveryKeyOnceInOrderIntoItsControl() {
    TableProfiles profiles;
    for (const QString& k : kOrder) {
        profiles.values.insert(k, "v:" + k);
    }
    const LanguageTexts t = ReadLanguageTexts(profiles, "/p/x.INI");
    QCOMPARE(profiles.reads, kOrder);
    QCOMPARE(profiles.reads.size(), 61);
    QCOMPARE(profiles.files, QStringList(61, "/p/x.INI"));
    QCOMPARE(profiles.writes, 0);

    // Each caption names its control and carries its own key's text, in switch order.
    QStringList got;
    for (const CaptionText& c : t.captions) {
        got.append(c.index >= 0 ? c.objectName + "#" + QString::number(c.index) : c.objectName);
    }
    QStringList expected;
    for (qsizetype i = 0; i < kControls.size(); ++i) {
        if (!kControls[i].isEmpty()) {
            expected.append(kControls[i]);
            QCOMPARE(t.captions[expected.size() - 1].text, "v:" + kOrder[i]);
        }
    }
    QCOMPARE(got, expected);
    QCOMPARE(t.stereo, QString("v:Tab3/lis31"));
    QCOMPARE(t.mono, QString("v:Tab3/lis32"));
    QCOMPARE(t.messages.convertingCaption, QString("v:Tab4/lab41"));
    QCOMPARE(t.unusedAboutText, QString("v:Tab6/lab61"));
    for (int i = 0; i < MessageTable::kCount; ++i) {
        QCOMPARE(t.messages.texts[i], "v:Dialog/" + QString(MessageTable::keys()[i]));
    }
}

void TestLanguageTexts::missingPackGivesFallbacks() {
    TableProfiles profiles;
    const LanguageTexts t = ReadLanguageTexts(profiles, QString());
    // No file is even asked for.
    QVERIFY(profiles.reads.isEmpty());
    const QStringList tabs = {"文件列表", "保存选项", "参数设置", "视频转换", "flv资源", "关于"};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(CaptionOf(t, "Option7", i), tabs[i]);
    }
    QCOMPARE(CaptionOf(t, "Command3"), QString("开 始"));
    QCOMPARE(CaptionOf(t, "Label21"), QString("正在转换"));
    QCOMPARE(t.messages.convertingCaption, QString("正在转换"));
    QCOMPARE(t.stereo, QString("立体声"));
    QCOMPARE(t.mono, QString("单声道"));
    QCOMPARE(t.unusedAboutText, QString());
    MessageTable builtIn;
    LoadBuiltInMessages(builtIn);
    QCOMPARE(t.messages.texts, builtIn.texts);
    for (const CaptionText& c : t.captions) {
        QVERIFY2(!c.text.isEmpty(), qPrintable(c.objectName));
    }
}

void TestLanguageTexts::partialPackFallsBackPerKey() {
    TableProfiles profiles;
    profiles.values.insert("Tab/tab1", "Files");
    profiles.values.insert("Tab1/cmd11", "");  // present but empty: empty, no fallback
    profiles.values.insert("Dialog/msg2", "Empty list");
    const LanguageTexts t = ReadLanguageTexts(profiles, "/p/x.INI");
    QCOMPARE(CaptionOf(t, "Option7", 0), QString("Files"));
    QCOMPARE(CaptionOf(t, "Option7", 4), QString("flv资源"));
    QCOMPARE(CaptionOf(t, "Command1"), QString(""));
    QCOMPARE(CaptionOf(t, "Command9"), QString("删除"));
    QCOMPARE(t.messages[Message::ListEmpty], QString("Empty list"));
    QCOMPARE(t.messages[Message::EncoderMissing],
             QString::fromUtf8("找不到\u201Ccoder.dll\u201D文件"));
}

QTEST_APPLESS_MAIN(TestLanguageTexts)
#include "test_language_texts.moc"
