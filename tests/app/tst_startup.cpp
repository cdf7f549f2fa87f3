// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up and closing with language packs in the program folder, the language box, and the
// close guard while an encoder runs.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "MemoryPlatform.h"
#include "app/Form1.h"
#include "app/SitePages.h"
#include "app/Widgets.h"
#include "convert/BatchRun.h"

using namespace vm;
using namespace vm::test;

namespace {

struct Rig : MemoryPlatform {
    std::unique_ptr<Form1> form;

    Rig() {
        files.addDir(kFolder);
        files.addFile(kFolder + QStringLiteral("readme.txt"));
    }
    void encoder() { files.addFile(kFolder + QStringLiteral("coder.dll")); }
    void pack(const QString& name, const QMap<QString, QString>& values) {
        files.addFile(kFolder + name);
        for (auto it = values.begin(); it != values.end(); ++it) {
            const QStringList where = it.key().split(QLatin1Char('/'));
            profiles.set(kFolder + name, where[0], where[1], it.value());
        }
    }
    QString set(const QString& name) const {
        return profiles.get(kFolder + name, QStringLiteral("Info"), QStringLiteral("Set"));
    }
    bool start() {
        form = std::make_unique<Form1>(platform(), kFolder);
        return form->startUp();
    }
    const Form1Controls& c() const { return form->controls(); }
    void choose(const QString& language) {
        QComboBox* box = c().Combo7;
        const int index = box->findText(language);
        QVERIFY(index >= 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
};

// English, Simplified Chinese, and a German pack that the last shut-down marked.
void ThreePacks(Rig& rig) {
    rig.pack(QStringLiteral("a_english.INI"), {{"Info/Language", "English"},
                                               {"Info/Translator", "Ann"},
                                               {"Info/Set", "0"},
                                               {"Tab/tab1", "Files"},
                                               {"Tab3/lis31", "Stereo"},
                                               {"Tab3/lis32", "Mono"}});
    rig.pack(QStringLiteral("b_chinese.ini"), {{"Info/Language", "简体中文"}, {"Info/Set", "2"}});
    rig.pack(QStringLiteral("c_german.INI"), {{"Info/Language", "Deutsch"},
                                              {"Info/Translator", "Bernd"},
                                              {"Info/Set", "1"},
                                              {"Tab/tab1", "Dateien"},
                                              {"Tab4/cmd41", "Start & <b>Los</b>"},
                                              {"Tab4/lab41", "Konvertiere"},
                                              {"Tab3/lab31", "Auflösung der Bilder"},
                                              {"Tab3/lis31", "Stereo"},
                                              {"Tab3/lis32", "Mono"},
                                              {"Dialog/msg8", "Fehler"},
                                              {"Dialog/msg14", "coder.dll fehlt"},
                                              {"Dialog/msg15", "Bitte prüfen"},
                                              {"Dialog/msg16", "Ende"},
                                              {"Dialog/msg17", "Läuft noch"}});
}

}  // namespace

class TestStartUp : public QObject {
    Q_OBJECT
  private slots:
    void rememberedPackIsApplied();
    void switchingLanguage();
    void closeMarksThePacksOfTheShownLanguage();
    void missingEncoderWithAMarkedPack();
    void missingEncoderWithoutAMarkedPackMarksEveryPack();
    void closeIsRefusedWhileTheEncoderRuns();
};

void TestStartUp::rememberedPackIsApplied() {
    Rig rig;
    rig.encoder();
    ThreePacks(rig);
    QVERIFY(rig.start());
    QVERIFY(rig.form->isVisible());

    QComboBox* box = rig.c().Combo7;
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->itemText(0), QStringLiteral("English"));
    QCOMPARE(box->itemText(2), QStringLiteral("Deutsch"));
    QCOMPARE(box->currentText(), QStringLiteral("Deutsch"));
    QCOMPARE(rig.c().Text4->toPlainText(),
             QStringLiteral("English - Ann\n简体中文 - none\nDeutsch - Bernd"));

    // The pack's texts, shown exactly as they stand; missing keys take their fallbacks.
    QCOMPARE(CaptionOf(rig.c().Option7[0]), QStringLiteral("Dateien"));
    QCOMPARE(CaptionOf(rig.c().Option7[1]), QStringLiteral("保存选项"));
    QCOMPARE(CaptionOf(rig.c().Command3), QStringLiteral("Start & <b>Los</b>"));
    QCOMPARE(rig.c().Label21->text(), QStringLiteral("Konvertiere"));
    QCOMPARE(rig.form->messages().convertingCaption, QStringLiteral("Konvertiere"));
    QCOMPARE(rig.form->messages()[Message::StillConverting], QStringLiteral("Läuft noch"));
    QCOMPARE(rig.form->messages()[Message::ClearListQuestion],
             QStringLiteral("是否清除列表中所有文件？"));
    // A longer caption keeps the label's right edge where it was.
    QCOMPARE(rig.c().Label3->text(), QStringLiteral("Auflösung der Bilder"));
    QCOMPARE(rig.c().Label3->geometry().right() + 1, 84);
    QVERIFY(rig.c().Label3->width() >= rig.c().Label3->sizeHint().width());
    QCOMPARE(rig.c().Combo6->currentText(), QStringLiteral("Stereo"));

    // The language chose the page; the untranslated one was never loaded.
    QCOMPARE(rig.browser.navigations, QStringList{TranslatedPageUrl()});
    QVERIFY(!rig.c().panels[4]->isHidden());
    QVERIFY(rig.c().Option7[4]->isChecked());
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestStartUp::switchingLanguage() {
    Rig rig;
    rig.encoder();
    ThreePacks(rig);
    QVERIFY(rig.start());
    const Form1Controls& c = rig.c();

    // The same language again: everything re-read, channels back to stereo, no reload.
    c.Combo6->setCurrentIndex(1);
    rig.choose(QStringLiteral("Deutsch"));
    QCOMPARE(c.Combo6->currentIndex(), 0);
    QCOMPARE(rig.browser.navigations.size(), 1);

    // Between two languages that are not Chinese the page stays; to Chinese it changes once.
    rig.choose(QStringLiteral("English"));
    QCOMPARE(CaptionOf(c.Option7[0]), QStringLiteral("Files"));
    QCOMPARE(CaptionOf(c.Command3), QStringLiteral("开 始"));
    QCOMPARE(rig.browser.navigations.size(), 1);
    rig.choose(QStringLiteral("简体中文"));
    QCOMPARE(rig.browser.navigations.last(), ResourcePageUrl());
    QCOMPARE(rig.browser.navigations.size(), 2);
    QCOMPARE(c.Combo6->itemText(0), QStringLiteral("立体声"));
    QCOMPARE(c.Combo6->itemText(1), QStringLiteral("单声道"));
    QCOMPARE(rig.form->messages()[Message::Error], QStringLiteral("错误"));

    // A followed link is replaced by any switch, even to the language in effect.
    rig.browser.followLink(QStringLiteral("http://ads.example/"));
    rig.choose(QStringLiteral("简体中文"));
    QCOMPARE(rig.browser.locationUrl(), ResourcePageUrl());
    QCOMPARE(rig.browser.navigations.size(), 3);
}

void TestStartUp::closeMarksThePacksOfTheShownLanguage() {
    Rig rig;
    rig.encoder();
    ThreePacks(rig);
    rig.pack(QStringLiteral("d_english_uk.INI"),
             {{"Info/Language", "English (UK)"}, {"Info/Set", "1"}});
    rig.pack(QStringLiteral("e_lower.INI"), {{"Info/Language", "english"}});
    QVERIFY(rig.start());
    // The pack listed last among the marked ones wins.
    QCOMPARE(rig.c().Combo7->currentText(), QStringLiteral("English (UK)"));

    rig.choose(QStringLiteral("English"));
    QVERIFY(rig.form->close());
    QCOMPARE(rig.set(QStringLiteral("a_english.INI")), QStringLiteral("1"));
    QCOMPARE(rig.set(QStringLiteral("b_chinese.ini")), QStringLiteral("0"));
    QCOMPARE(rig.set(QStringLiteral("c_german.INI")), QStringLiteral("0"));
    QCOMPARE(rig.set(QStringLiteral("d_english_uk.INI")), QStringLiteral("1"));
    QCOMPARE(rig.set(QStringLiteral("e_lower.INI")), QStringLiteral("0"));
    QVERIFY(rig.set(QStringLiteral("readme.txt")).isEmpty());
}

void TestStartUp::missingEncoderWithAMarkedPack() {
    Rig rig;
    ThreePacks(rig);
    QVERIFY(!rig.start());
    QVERIFY(!rig.form->isVisible());
    const auto messages = rig.dialogs.messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].title, QStringLiteral("Fehler"));
    QCOMPARE(messages[0].text, QStringLiteral("coder.dll fehlt\r\rBitte prüfen\r\rEnde"));
    QCOMPARE(messages[0].icon, MsgIcon::Critical);
    // The close that follows marks the packs as at any other close.
    QCOMPARE(rig.set(QStringLiteral("c_german.INI")), QStringLiteral("1"));
    QCOMPARE(rig.set(QStringLiteral("a_english.INI")), QStringLiteral("0"));
}

void TestStartUp::missingEncoderWithoutAMarkedPackMarksEveryPack() {
    Rig rig;
    rig.pack(QStringLiteral("a.INI"), {{"Info/Language", "English"}});
    rig.pack(QStringLiteral("b.INI"), {});
    QVERIFY(!rig.start());
    QCOMPARE(rig.dialogs.messages().size(), 1);
    QCOMPARE(rig.dialogs.messages()[0].title, QStringLiteral("错误"));
    QCOMPARE(rig.c().Combo7->itemText(1), QStringLiteral("b.INI"));
    // Nothing was chosen, and the empty text begins every language.
    QCOMPARE(rig.set(QStringLiteral("a.INI")), QStringLiteral("1"));
    QCOMPARE(rig.set(QStringLiteral("b.INI")), QStringLiteral("1"));
}

void TestStartUp::closeIsRefusedWhileTheEncoderRuns() {
    Rig rig;
    rig.encoder();
    ThreePacks(rig);
    rig.files.addDir(kFolder + QStringLiteral("output"));
    QVERIFY(rig.start());
    rig.c().List1->addItem(QStringLiteral("/v/a.flv"));
    rig.form->Option7_Click(3);
    QTest::mouseClick(rig.c().Command3, Qt::LeftButton);
    QVERIFY(!rig.form->encoderIdle());
    QVERIFY(!rig.c().Command3->isEnabled());
    QVERIFY(!rig.c().Option7[0]->isEnabled());
    QVERIFY(rig.c().Command6->isEnabled());

    rig.profiles.set(kFolder + QStringLiteral("c_german.INI"), QStringLiteral("Info"),
                     QStringLiteral("Set"), QStringLiteral("0"));
    QVERIFY(!rig.form->close());
    QVERIFY(rig.form->isVisible());
    const auto refusal = rig.dialogs.messages().last();
    QCOMPARE(refusal.title, QStringLiteral("Fehler"));
    QCOMPARE(refusal.text, QStringLiteral("Läuft noch"));
    QCOMPARE(refusal.icon, MsgIcon::Exclamation);
    // A refused close marks the packs all the same.
    QCOMPARE(rig.set(QStringLiteral("c_german.INI")), QStringLiteral("1"));

    rig.processes.finish();
    QTRY_VERIFY(!rig.form->batchRun().isRunning());
    QVERIFY(rig.form->encoderIdle());
    QVERIFY(rig.c().Command3->isEnabled());
    QVERIFY(rig.form->close());
}

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
