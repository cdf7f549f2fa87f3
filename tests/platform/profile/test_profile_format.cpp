// SPDX-License-Identifier: GPL-3.0-or-later
// The profile format on bytes: what a read finds, and what an edit changes.
#include <QTest>

#include "platform/real/ProfileFormat.h"

using namespace vm::profile;

namespace {

// "<missing>" stands for no value at all.
QByteArray Find(const QByteArray& text, const char* section, const char* key) {
    std::optional<std::string_view> v =
        FindValue(std::string_view(text.constData(), text.size()), section, key);
    return v ? QByteArray(v->data(), qsizetype(v->size())) : QByteArray("<missing>");
}

std::string Edit(const std::string& text, const char* section, const char* key, const char* value,
                 EditResult expected = EditResult::Changed) {
    std::string out = "<untouched>";
    EditResult r = SetValue(text, section, key, value, &out);
    if (r != expected) {
        qWarning("unexpected edit result %d", int(r));
        return "<wrong result>";
    }
    return out;
}

}  // namespace

class TestProfileFormat : public QObject {
    Q_OBJECT
  private slots:
    void reads_data();
    void reads();
    void editReplacesOnlyTheValue();
    void editAddsKeyAtEndOfSection_data();
    void editAddsKeyAtEndOfSection();
    void editAddsSection_data();
    void editAddsSection();
    void editLeavesEqualValueAlone();
    void editRefusesWhatCannotBeOneLine();
    void utf8Validation_data();
    void utf8Validation();
    void cutAtCharacter();
};

void TestProfileFormat::reads_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("expected");

    // Names: trimmed, case-insensitive, first section and first key of a name win.
    QTest::newRow("plain") << QByteArray("[Info]\r\nSet=1\r\n") << QByteArray("Info")
                           << QByteArray("Set") << QByteArray("1");
    QTest::newRow("case") << QByteArray("[iNFO]\nsET=1\n") << QByteArray("Info")
                          << QByteArray("SET") << QByteArray("1");
    QTest::newRow("blank section name") << QByteArray("[ Tab1 ]\ncmd11=Add\n") << QByteArray("Tab1")
                                        << QByteArray("cmd11") << QByteArray("Add");
    QTest::newRow("asked name trimmed")
        << QByteArray("[Tab1]\ncmd11=Add\n") << QByteArray(" Tab1\t") << QByteArray(" cmd11 ")
        << QByteArray("Add");
    QTest::newRow("first section wins")
        << QByteArray("[A]\nk=first\n[B]\nk=b\n[a]\nk=second\nj=only-in-second\n")
        << QByteArray("A") << QByteArray("k") << QByteArray("first");
    QTest::newRow("later duplicate section unread")
        << QByteArray("[A]\nk=first\n[a]\nj=second\n") << QByteArray("A") << QByteArray("j")
        << QByteArray("<missing>");
    QTest::newRow("first key wins")
        << QByteArray("[A]\nk=1\nK=2\n") << QByteArray("A") << QByteArray("k") << QByteArray("1");
    QTest::newRow("key outside any section") << QByteArray("k=1\n[A]\n") << QByteArray("A")
                                             << QByteArray("k") << QByteArray("<missing>");
    QTest::newRow("key of next section") << QByteArray("[A]\n[B]\nk=1\n") << QByteArray("A")
                                         << QByteArray("k") << QByteArray("<missing>");
    QTest::newRow("section name to last bracket")
        << QByteArray("[a]b]\nk=1\n") << QByteArray("a]b") << QByteArray("k") << QByteArray("1");
    QTest::newRow("missing section") << QByteArray("[A]\nk=1\n") << QByteArray("B")
                                     << QByteArray("k") << QByteArray("<missing>");

    // Values: trimmed, one pair of enclosing quotes removed, no comments.
    QTest::newRow("blanks and tabs") << QByteArray("[A]\n \t k \t= \t v w \t\n") << QByteArray("A")
                                     << QByteArray("k") << QByteArray("v w");
    QTest::newRow("empty value") << QByteArray("[A]\nk=\n") << QByteArray("A") << QByteArray("k")
                                 << QByteArray("");
    QTest::newRow("double quotes") << QByteArray("[A]\nk=\" v \"\n") << QByteArray("A")
                                   << QByteArray("k") << QByteArray(" v ");
    QTest::newRow("single quotes")
        << QByteArray("[A]\nk='v'\n") << QByteArray("A") << QByteArray("k") << QByteArray("v");
    QTest::newRow("one pair only") << QByteArray("[A]\nk=\"\"v\"\"\n") << QByteArray("A")
                                   << QByteArray("k") << QByteArray("\"v\"");
    QTest::newRow("mixed quotes stay")
        << QByteArray("[A]\nk='v\"\n") << QByteArray("A") << QByteArray("k") << QByteArray("'v\"");
    QTest::newRow("lone quote stays")
        << QByteArray("[A]\nk=\"\n") << QByteArray("A") << QByteArray("k") << QByteArray("\"");
    QTest::newRow("no comment in value") << QByteArray("[A]\nk=v ; note\n") << QByteArray("A")
                                         << QByteArray("k") << QByteArray("v ; note");
    QTest::newRow("semicolon key")
        << QByteArray("[A]\n;x=1\n") << QByteArray("A") << QByteArray(";x") << QByteArray("1");
    QTest::newRow("second equals in value")
        << QByteArray("[A]\nk=a=b\n") << QByteArray("A") << QByteArray("k") << QByteArray("a=b");
    QTest::newRow("line without equals")
        << QByteArray("[A]\nk\nk=2\n") << QByteArray("A") << QByteArray("k") << QByteArray("2");

    // Lines: CR, LF, CR LF; BOM; no final line break.
    QTest::newRow("CR only") << QByteArray("[A]\rx=1\rk=2\r") << QByteArray("A") << QByteArray("k")
                             << QByteArray("2");
    QTest::newRow("mixed endings")
        << QByteArray("[A]\r\nx=1\rk=2\n") << QByteArray("A") << QByteArray("k") << QByteArray("2");
    QTest::newRow("no final break")
        << QByteArray("[A]\nk=last") << QByteArray("A") << QByteArray("k") << QByteArray("last");
    QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF[A]\nk=1\n") << QByteArray("A")
                         << QByteArray("k") << QByteArray("1");
    QTest::newRow("UTF-8 value") << QByteArray("[Info]\nLanguage=简体中文\n") << QByteArray("Info")
                                 << QByteArray("Language") << QByteArray("简体中文");
}

void TestProfileFormat::reads() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expected);
    QCOMPARE(Find(text, section.constData(), key.constData()), expected);
}

void TestProfileFormat::editReplacesOnlyTheValue() {
    // Everything but the value's own bytes stays: spelling, blanks, quotes' place, endings.
    QCOMPARE(Edit("[Info]\r\nLanguage=X\r\n  sEt = 0 \t\r\nTranslator=T", "Info", "Set", "1"),
             std::string("[Info]\r\nLanguage=X\r\n  sEt = 1 \t\r\nTranslator=T"));
    QCOMPARE(Edit("[Info]\nSet=\"0\"\n", "Info", "Set", "1"), std::string("[Info]\nSet=1\n"));
    QCOMPARE(Edit("[Info]\rSet=\r[B]\rSet=0\r", "Info", "Set", "1"),
             std::string("[Info]\rSet=1\r[B]\rSet=0\r"));
    // Only the first of duplicate keys and sections is written.
    QCOMPARE(Edit("[I]\nk=0\nk=0\n[I]\nk=0\n", "i", "K", "1"),
             std::string("[I]\nk=1\nk=0\n[I]\nk=0\n"));
    // A longer value and an empty one.
    QCOMPARE(Edit("[I]\nk=0\nz=9", "I", "k", "long value"), std::string("[I]\nk=long value\nz=9"));
    QCOMPARE(Edit("[I]\nk=0\n", "I", "k", ""), std::string("[I]\nk=\n"));
    QCOMPARE(Edit("\xEF\xBB\xBF[I]\nk=0\n", "I", "k", "1"), std::string("\xEF\xBB\xBF[I]\nk=1\n"));
}

void TestProfileFormat::editAddsKeyAtEndOfSection_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("end of section, before blank lines")
        << QByteArray("[Info]\r\nLanguage=X\r\n\r\n[Tab]\r\ntab1=a\r\n")
        << QByteArray("[Info]\r\nLanguage=X\r\nSet=1\r\n\r\n[Tab]\r\ntab1=a\r\n");
    QTest::newRow("empty section")
        << QByteArray("[Info]\n[Tab]\n") << QByteArray("[Info]\nSet=1\n[Tab]\n");
    QTest::newRow("last section, no final break")
        << QByteArray("[Tab]\rtab1=a\r[Info]\rLanguage=X")
        << QByteArray("[Tab]\rtab1=a\r[Info]\rLanguage=X\rSet=1");
    QTest::newRow("header at end without break")
        << QByteArray("x=1\n[Info]") << QByteArray("x=1\n[Info]\nSet=1");
    QTest::newRow("line without equals counts as content")
        << QByteArray("[Info]\nnotes\n\n[B]\n") << QByteArray("[Info]\nnotes\nSet=1\n\n[B]\n");
    QTest::newRow("first of duplicate sections")
        << QByteArray("[Info]\nA=1\n[INFO]\n") << QByteArray("[Info]\nA=1\nSet=1\n[INFO]\n");
}

void TestProfileFormat::editAddsKeyAtEndOfSection() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QCOMPARE(QByteArray::fromStdString(Edit(before.toStdString(), "Info", "Set", "1")), after);
}

void TestProfileFormat::editAddsSection_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("empty text") << QByteArray("") << QByteArray("[Info]\r\nSet=1\r\n");
    QTest::newRow("BOM only") << QByteArray("\xEF\xBB\xBF")
                              << QByteArray("\xEF\xBB\xBF[Info]\r\nSet=1\r\n");
    QTest::newRow("LF file") << QByteArray("[Tab]\ntab1=a\n")
                             << QByteArray("[Tab]\ntab1=a\n[Info]\nSet=1\n");
    QTest::newRow("CR file without final break")
        << QByteArray("[Tab]\rtab1=a") << QByteArray("[Tab]\rtab1=a\r[Info]\rSet=1\r");
    QTest::newRow("single line without break")
        << QByteArray("junk") << QByteArray("junk\r\n[Info]\r\nSet=1\r\n");
}

void TestProfileFormat::editAddsSection() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QCOMPARE(QByteArray::fromStdString(Edit(before.toStdString(), "Info", "Set", "1")), after);
}

void TestProfileFormat::editLeavesEqualValueAlone() {
    Edit("[Info]\nSet=1\n", "Info", "Set", "1", EditResult::Unchanged);
    Edit("[Info]\nset = '1' \n", "INFO", "SET", "1", EditResult::Unchanged);
    Edit("[Info]\nSet=\n", "Info", "Set", "", EditResult::Unchanged);
}

void TestProfileFormat::editRefusesWhatCannotBeOneLine() {
    const std::string text = "[Info]\nSet=0\n";
    Edit(text, "Info", "Set", "1\r\n[Evil]\r\nx=1", EditResult::Refused);
    Edit(text, "Info", "Set", "1\rx", EditResult::Refused);
    std::string out;
    QCOMPARE(SetValue(text, "Info", "Set", std::string_view("1\0x", 3), &out), EditResult::Refused);
    Edit(text, "In]fo", "Set", "1", EditResult::Refused);
    Edit(text, "Info\n", "Set", "1", EditResult::Refused);
    Edit(text, "Info", "S=t", "1", EditResult::Refused);
    Edit(text, "Info", "[x]", "1", EditResult::Refused);
    Edit(text, "Info", " ", "1", EditResult::Refused);
    Edit(text, "", "Set", "1", EditResult::Refused);
}

void TestProfileFormat::utf8Validation_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ascii") << QByteArray("abc") << true;
    QTest::newRow("chinese") << QByteArray("简体中文") << true;
    QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << true;
    QTest::newRow("gbk") << QByteArray("\xBC\xF2\xCC\xE5") << false;
    QTest::newRow("overlong") << QByteArray("\xC0\xAF") << false;
    QTest::newRow("overlong 3") << QByteArray("\xE0\x80\xAF") << false;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("above max") << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::newRow("truncated") << QByteArray("\xE7\xAE") << false;
    QTest::newRow("stray continuation") << QByteArray("a\x80") << false;
}

void TestProfileFormat::utf8Validation() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QCOMPARE(IsValidUtf8(std::string_view(bytes.constData(), bytes.size())), valid);
}

void TestProfileFormat::cutAtCharacter() {
    // 84 three-byte characters are 252 bytes; the 85th would cross 254.
    const std::string han = QString(100, QChar(0x4E2D)).toUtf8().toStdString();
    QCOMPARE(CutAtCharacter(han, 254, Encoding::Utf8), std::size_t(252));
    QCOMPARE(CutAtCharacter(std::string(254, 'a'), 254, Encoding::Utf8), std::size_t(254));
    QCOMPARE(CutAtCharacter(std::string(300, 'a'), 254, Encoding::Utf8), std::size_t(254));
    // GBK: "a" then double-byte characters: pairs start at odd offsets.
    std::string gbk = "a";
    for (int i = 0; i < 200; ++i) {
        gbk += "\xD6\xD0";
    }
    QCOMPARE(CutAtCharacter(gbk, 254, Encoding::Gbk), std::size_t(253));
    QCOMPARE(CutAtCharacter(gbk.substr(1), 254, Encoding::Gbk), std::size_t(254));
    // A trail byte that looks like a lead byte belongs to the pair before it.
    std::string pairs;
    for (int i = 0; i < 200; ++i) {
        pairs += "\x81\x81";
    }
    QCOMPARE(CutAtCharacter("x" + pairs, 254, Encoding::Gbk), std::size_t(253));
}

QTEST_APPLESS_MAIN(TestProfileFormat)
#include "test_profile_format.moc"
