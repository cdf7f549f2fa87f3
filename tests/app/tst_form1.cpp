// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the user meets it: its make-up, the tabs and the resource page, the file
// list and output folder buttons, the run controls, start-up and closing.
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <memory>

#include "MemoryPlatform.h"
#include "SiteConfig.h"
#include "app/BuiltInSite.h"
#include "app/Form1.h"
#include "app/FormViews.h"
#include "app/SitePages.h"
#include "app/Widgets.h"
#include "i18n/LanguageTexts.h"
#include "platform/paths/PathBytes.h"

using namespace vm;
using namespace vm::test;

namespace {

struct Rig : MemoryPlatform {
    std::unique_ptr<Form1> form;

    explicit Rig(const QString& folder = kFolder, bool withEncoder = true) {
        const QString withSeparator =
            folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
        if (withEncoder) {
            files.addFile(withSeparator + QStringLiteral("coder.dll"));
        }
        files.addDir(withSeparator);
        form = std::make_unique<Form1>(platform(), folder);
    }
    template <typename T>
    T* get(const char* name) const {
        T* found = form->findChild<T*>(QLatin1String(name));
        if (!found) {
            qFatal("no control %s", name);
        }
        return found;
    }
    QString caption(const char* name) const { return CaptionOf(get<QWidget>(name)); }
    QStringList entries() const {
        QStringList all;
        for (int i = 0; i < form->controls().List1->count(); ++i) {
            all.append(QDir::fromNativeSeparators(form->controls().List1->item(i)->text()));
        }
        return all;
    }
    QStringList comboEntries(const char* name) const {
        auto* combo = get<QComboBox>(name);
        QStringList all;
        for (int i = 0; i < combo->count(); ++i) {
            all.append(combo->itemText(i));
        }
        return all;
    }
    QList<bool> panelsVisible() const {
        QList<bool> shown;
        for (QFrame* panel : form->controls().panels) {
            shown.append(!panel->isHidden());
        }
        return shown;
    }
    void drop(const QList<QUrl>& urls) {
        auto* data = new QMimeData;
        data->setUrls(urls);
        QWidget* list = form->controls().List1->viewport();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &event);
        delete data;
    }
};

// A pack whose every text is its own section and key, so that no two captions read alike.
class EchoProfiles : public ProfileFiles {
  public:
    QString readString(const QString&, const QString& section, const QString& key,
                       const QString&) const override {
        return key == QLatin1String("Language") ? QStringLiteral("Echo") : section + "/" + key;
    }
    void writeString(const QString&, const QString&, const QString&, const QString&) override {}
};

// The one control of the window that a caption of the language table names, or null.
QWidget* ControlOf(const Form1& form, const CaptionText& caption) {
    QList<QWidget*> named = form.findChildren<QWidget*>(caption.objectName);
    if (caption.index >= 0) {
        named.removeIf([&](QWidget* w) { return w->property("index") != caption.index; });
    }
    return named.size() == 1 ? named.first() : nullptr;
}

QList<bool> OnlyPanel(int index) {
    QList<bool> shown;
    for (int i = 0; i < 6; ++i) {
        shown.append(i == index);
    }
    return shown;
}

}  // namespace

class TestForm1 : public QObject {
    Q_OBJECT
  private slots:
    void builtInCaptionsAndLists();
    void captionTableNamesTheWindowsControls();
    void initialStates();
    void geometry();
    void tabsShowExactlyOnePanel();
    void resourcePageIsNotReloaded();
    void resourcePageLanguageComparisonIsExact();
    void pageAddresses();
    void builtInMessages();
    void startUpWithoutPacks();
    void startUpDefaultOutputFolder();
    void missingEncoderEndsTheProgram();
    void fileListButtons();
    void dropTakesOnlyLocalFlvFiles();
    void browseOutputFolder();
    void runViewReadsAndWritesControls();
    void aboutLinks();
};

void TestForm1::builtInCaptionsAndLists() {
    Rig rig;
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Vidmorf 0.9 beta"));

    const QStringList tabs = {"文件列表", "保存选项", "参数设置", "视频转换", "FLV资源", "关于"};
    for (int i = 0; i < 6; ++i) {
        QPushButton* tab = rig.form->controls().Option7[i];
        QCOMPARE(tab->objectName(), QStringLiteral("Option7"));
        QCOMPARE(tab->property("index").toInt(), i);
        QCOMPARE(CaptionOf(tab), tabs[i]);
    }

    const QList<QPair<const char*, QString>> captions = {
        {"Command1", "添加"},
        {"Command9", "删除"},
        {"Command8", "清空"},
        {"Frame6", "保存到文件夹"},
        {"Command2", "浏 览"},
        {"Frame4", "文件存在时"},
        {"Option6", "重命名(自动)"},
        {"Option3", "重命名(指定)"},
        {"Option5", "跳过"},
        {"Option4", "覆盖"},
        {"Frame5", "转换格式"},
        {"Option1", "avi"},
        {"Option2", "wmv"},
        {"Option8", "mp3"},
        {"Frame1", "视频选项"},
        {"Label3", "分辨率"},
        {"Label4", "帧率"},
        {"Label5", "码率"},
        {"Frame2", "音频选项"},
        {"Label6", "码率"},
        {"Label7", "取样率"},
        {"Label8", "音质"},
        {"Label21", "正在转换"},
        {"Command3", "开 始"},
        {"Command6", "取消任务"},
        {"Command5", "强行中止"},
        {"Frame3", "状态"},
        {"Label9", "当前帧"},
        {"Label10", "码率"},
        {"Label12", "kb/s"},
        {"Label14", "时间"},
        {"Label11", "大小"},
        {"Label13", "kB"},
        {"Label29", "支持Vidmorf，请帮忙点击广告，我们会做的更好"},
        {"Label26", "Vidmorf"},
        {"Label24", "v0.9"},
        {"Command4", "获取最新版本"},
        {"Frame8", "感谢以下人员"},
    };
    for (const auto& [name, text] : captions) {
        QVERIFY2(rig.caption(name) == text, name);
    }
    QVERIFY(rig.caption("Label23").contains(QStringLiteral("FFmpeg")));
    QVERIFY(rig.caption("Label23").contains(QStringLiteral("GNU")));
    for (const char* contact : {"Label17", "Label18", "Label19", "Label20"}) {
        QVERIFY2(!rig.caption(contact).isEmpty(), contact);
    }

    QCOMPARE(rig.comboEntries("Combo1"),
             QStringList({"160x120", "220x176", "240x180", "320x240", "400x300", "480x360",
                          "512x384", "640x480", "720x576", "768x576", "800x600"}));
    QCOMPARE(rig.comboEntries("Combo2"), QStringList({"15", "24", "25", "29.97", "30"}));
    QCOMPARE(rig.comboEntries("Combo3"),
             QStringList({"48", "96", "160", "360", "768", "1000", "1600"}));
    QCOMPARE(rig.comboEntries("Combo4"),
             QStringList({"16", "20", "24", "32", "48", "56", "64", "80", "112", "128", "160"}));
    QCOMPARE(rig.comboEntries("Combo5"), QStringList({"22050", "44100"}));
    QCOMPARE(rig.comboEntries("Combo6"), QStringList({"立体声", "单声道"}));
    QCOMPARE(rig.comboEntries("Combo7"), QStringList());

    const QList<QPair<const char*, QString>> initial = {
        {"Combo1", "320x240"}, {"Combo2", "29.97"}, {"Combo3", "360"},
        {"Combo4", "56"},      {"Combo5", "22050"}, {"Combo6", "立体声"},
    };
    for (const auto& [name, text] : initial) {
        auto* combo = rig.get<QComboBox>(name);
        QVERIFY2(combo->currentText() == text, name);
        QVERIFY2(combo->isEditable(), name);
        QVERIFY2(combo->itemData(0).toInt() == (QByteArray(name) == "Combo6" ? 2 : 0), name);
    }
    QCOMPARE(rig.get<QComboBox>("Combo6")->itemData(1).toInt(), 1);
    QVERIFY(!rig.get<QComboBox>("Combo7")->isEditable());
}

void TestForm1::captionTableNamesTheWindowsControls() {
    Rig rig;
    const LanguageTexts builtIn = BuiltInLanguageTexts();
    QCOMPARE(builtIn.captions.size(), 38);
    for (const CaptionText& caption : builtIn.captions) {
        const QWidget* control = ControlOf(*rig.form, caption);
        QVERIFY2(control, qPrintable(caption.objectName));
        QVERIFY2(CaptionOf(control) == caption.text, qPrintable(caption.objectName));
    }

    // A switch puts each text of a pack into the control its key belongs to.
    EchoProfiles echo;
    MemoryPlatform stand;
    stand.files.addDir(kFolder);
    stand.files.addFile(kFolder + QStringLiteral("coder.dll"));
    stand.files.addFile(kFolder + QStringLiteral("echo.INI"));
    Form1 form(
        Platform{stand.files, stand.processes, stand.dialogs, stand.links, stand.browser, echo},
        kFolder);
    form.ApplyLanguage(QStringLiteral("Echo"));
    const LanguageTexts pack = ReadLanguageTexts(echo, kFolder + QStringLiteral("echo.INI"));
    QCOMPARE(pack.captions.size(), builtIn.captions.size());
    for (const CaptionText& caption : pack.captions) {
        const QWidget* control = ControlOf(form, caption);
        QVERIFY2(control, qPrintable(caption.objectName));
        QCOMPARE(CaptionOf(control), caption.text);
    }
    QCOMPARE(CaptionOf(form.controls().Label23), QStringLiteral("Tab6/lab62"));
    QCOMPARE(form.controls().Combo6->itemText(1), QStringLiteral("Tab3/lis32"));
}

void TestForm1::initialStates() {
    Rig rig;
    const Form1Controls& c = rig.form->controls();
    QCOMPARE(rig.panelsVisible(), OnlyPanel(4));
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(c.Option7[i]->isChecked(), i == 4);
        QVERIFY(c.Option7[i]->isEnabled());
    }
    QVERIFY(c.Option1->isChecked() && !c.Option2->isChecked() && !c.Option8->isChecked());
    QVERIFY(c.Option6->isChecked());
    QVERIFY(!c.Option3->isChecked() && !c.Option5->isChecked() && !c.Option4->isChecked());
    QVERIFY(c.Command3->isEnabled());
    QVERIFY(!c.Command5->isEnabled());
    QVERIFY(!c.Command6->isEnabled());
    QVERIFY(c.Text2->text().isEmpty());
    QCOMPARE(c.List1->count(), 0);
    QVERIFY(c.Label22->text().isEmpty());

    for (QLabel* box : {c.Label1, c.Label2, c.Label15, c.Label16}) {
        QVERIFY(box->text().isEmpty());
        QCOMPARE(box->size(), QSize(65, 17));
        QVERIFY(box->alignment() & Qt::AlignRight);
        QCOMPARE(box->frameShape(), QFrame::Box);
    }
    for (QLabel* contact : {static_cast<QLabel*>(c.Label17), static_cast<QLabel*>(c.Label18),
                            static_cast<QLabel*>(c.Label19)}) {
        QCOMPARE(contact->cursor().shape(), Qt::PointingHandCursor);
    }
    // Texts from packs and messages are never taken as markup.
    for (QLabel* label : rig.form->findChildren<QLabel*>()) {
        if (label != c.Image1) {
            QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
        }
    }
    QVERIFY(!rig.form->windowIcon().isNull());
}

void TestForm1::geometry() {
    Rig rig;
    const Form1Controls& c = rig.form->controls();
    QCOMPARE(rig.form->size(), QSize(481, 403));
    QCOMPARE(rig.form->minimumSize(), rig.form->maximumSize());
    QCOMPARE(c.Image1->geometry(), QRect(0, 0, 484, 105));
    QCOMPARE(c.Combo7->geometry(), QRect(352, 16, 121, 20));
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(c.Option7[i]->geometry(), QRect(80 * i, 104, 81, 25));
    }
    QCOMPARE(c.panels[0]->geometry(), QRect(0, 136, 481, 265));
    QCOMPARE(c.panels[4]->geometry(), QRect(0, 130, 481, 273));
    QCOMPARE(c.List1->geometry(), QRect(16, 16, 361, 232));
    QCOMPARE(c.Text2->parentWidget(), c.Frame6);
    QCOMPARE(c.Text2->geometry(), QRect(16, 24, 305, 25));
    QCOMPARE(c.Option5->parentWidget(), c.Frame4);
    QCOMPARE(c.Option5->geometry(), QRect(240, 16, 73, 41));
    QCOMPARE(c.Combo6->parentWidget(), c.Frame2);
    QCOMPARE(c.Combo6->geometry(), QRect(104, 88, 81, 20));
    QCOMPARE(c.Label3->geometry().right() + 1, 84);  // right edge at 1260 twips
    QCOMPARE(c.Picture3->geometry(), QRect(32, 120, 417, 17));
    QCOMPARE(c.Picture4->geometry(), QRect(32, 152, 417, 17));
    QCOMPARE(c.Label1->parentWidget(), c.Frame3);
    QCOMPARE(c.Label15->pos(), QPoint(256, 48));
    QCOMPARE(c.WebBrowser1->parentWidget(), c.panels[4]);
    QCOMPARE(c.WebBrowser1->geometry(), QRect(0, 16, 481, 257));
    QCOMPARE(c.Label23->geometry(), QRect(304, 128, 160, 129));
    QCOMPARE(c.Text4->parentWidget(), c.Frame8);
    QCOMPARE(c.Command4->geometry(), QRect(344, 32, 97, 25));
}

void TestForm1::tabsShowExactlyOnePanel() {
    Rig rig;
    QVERIFY(rig.form->startUp());
    const Form1Controls& c = rig.form->controls();

    QTest::mouseClick(c.Option7[5], Qt::LeftButton);
    QVERIFY(c.Option7[5]->isChecked());
    QCOMPARE(rig.panelsVisible(), OnlyPanel(5));
    QTest::mouseClick(c.Option7[3], Qt::LeftButton);
    QCOMPARE(rig.panelsVisible(), OnlyPanel(3));
    QVERIFY(!c.Option7[5]->isChecked());

    rig.form->Option7_Click(6);
    rig.form->Option7_Click(-1);
    QCOMPARE(rig.panelsVisible(), OnlyPanel(3));
    for (int i = 0; i < 6; ++i) {
        rig.form->Option7_Click(i);
        QCOMPARE(rig.panelsVisible(), OnlyPanel(i));
    }
}

void TestForm1::resourcePageIsNotReloaded() {
    Rig rig;
    QVERIFY(rig.form->startUp());
    const Form1Controls& c = rig.form->controls();
    // Without a remembered language the untranslated page comes first.
    QCOMPARE(rig.browser.navigations, QStringList{ResourcePageUrl()});

    // No language chosen counts as "another language": the first return translates.
    QTest::mouseClick(c.Option7[0], Qt::LeftButton);
    QTest::mouseClick(c.Option7[4], Qt::LeftButton);
    QCOMPARE(rig.browser.navigations, QStringList({ResourcePageUrl(), TranslatedPageUrl()}));
    QTest::mouseClick(c.Option7[1], Qt::LeftButton);
    QTest::mouseClick(c.Option7[4], Qt::LeftButton);
    QCOMPARE(rig.browser.navigations.size(), 2);

    // After the user followed a link, the resource tab brings the page back.
    rig.browser.followLink(QStringLiteral("http://elsewhere.example/ad"));
    QTest::mouseClick(c.Option7[5], Qt::LeftButton);
    QTest::mouseClick(c.Option7[4], Qt::LeftButton);
    QCOMPARE(rig.browser.navigations.size(), 3);
    QCOMPARE(rig.browser.locationUrl(), TranslatedPageUrl());
    QCOMPARE(rig.panelsVisible(), OnlyPanel(4));
}

void TestForm1::resourcePageLanguageComparisonIsExact() {
    FakeBrowser browser;
    ShowResourcePage(browser, QStringLiteral("简体中文"));
    ShowResourcePage(browser, QStringLiteral("繁體中文"));
    QCOMPARE(browser.navigations, QStringList{ResourcePageUrl()});
    for (const QString& other : {QStringLiteral("简体中文 "), QStringLiteral("English"),
                                 QStringLiteral("繁体中文"), QString()}) {
        browser.navigations.clear();
        browser.followLink(ResourcePageUrl());
        ShowResourcePage(browser, other);
        QCOMPARE(browser.navigations, QStringList{TranslatedPageUrl()});
    }
    browser.navigations.clear();
    ShowResourcePage(browser, QStringLiteral("Deutsch"));
    QVERIFY(browser.navigations.isEmpty());
}

void TestForm1::pageAddresses() {
    QVERIFY(ResourcePageUrl().startsWith(SiteRoot()));
    QVERIFY(ResourcePageUrl().endsWith(QStringLiteral("/flv/index09.htm")));
    QVERIFY(TranslatedPageUrl().endsWith(QStringLiteral("?lp=zh_en&trurl=") +
                                         EscapeForQuery(ResourcePageUrl())));
    if (!VM_REAL_SITE && sizeof(VM_TRANSLATE_URL) == 1) {
        QCOMPARE(ResourcePageUrl(), QStringLiteral("vidmorf://site/flv/index09.htm"));
        QCOMPARE(TranslatedPageUrl(), QStringLiteral("vidmorf://translate/translate?lp=zh_en&"
                                                     "trurl=vidmorf%3a%2f%2fsite%2fflv%2f"
                                                     "index09.htm"));
    }
    // Only ':' and '/' are written as escapes, in lower case; everything else stays.
    QCOMPARE(EscapeForQuery(QStringLiteral("http://h.example:8080/a b/?x=1&y=%20")),
             QStringLiteral("http%3a%2f%2fh.example%3a8080%2fa b%2f?x=1&y=%20"));
}

void TestForm1::builtInMessages() {
    Rig rig;
    QVERIFY(rig.form->startUp());
    const MessageTable& m = rig.form->messages();
    QCOMPARE(m[Message::AttentionTitle], QStringLiteral("注意"));
    QCOMPARE(m[Message::ConfirmTitle], QStringLiteral("确定"));
    QCOMPARE(m[Message::Error], QStringLiteral("错误"));
    QCOMPARE(m[Message::ClearListQuestion], QStringLiteral("是否清除列表中所有文件？"));
    QCOMPARE(m[Message::EncoderMissing], QString::fromUtf8("找不到\xE2\x80\x9C"
                                                           "coder.dll\xE2\x80\x9D文件"));
    QCOMPARE(m[Message::EncoderMissing].at(3), QChar(0x201C));
    QCOMPARE(m[Message::StillConverting], QStringLiteral("还有正在转换的文件，不能退出"));
    QCOMPARE(m.convertingCaption, QStringLiteral("正在转换"));
}

void TestForm1::startUpWithoutPacks() {
    Rig rig;
    QSignalSpy shown(rig.form.get(), &Form1::shown);
    QVERIFY(rig.form->startUp());
    QVERIFY(rig.form->isVisible());
    QCOMPARE(shown.count(), 1);
    const Form1Controls& c = rig.form->controls();
    QCOMPARE(c.Combo7->count(), 0);
    QVERIFY(c.Combo7->currentText().isEmpty());
    QVERIFY(c.Text4->toPlainText().isEmpty());
    QCOMPARE(c.Picture3->fillWidth(), 0.0f);
    QCOMPARE(c.Picture4->fillWidth(), 0.0f);
    QCOMPARE(c.Picture3->fill()->width(), 0);
    QCOMPARE(rig.browser.navigations, QStringList{ResourcePageUrl()});
    QCOMPARE(rig.panelsVisible(), OnlyPanel(4));
    QVERIFY(rig.dialogs.shown.isEmpty());

    // A page that finishes loading while the window is hidden brings it back.
    rig.form->hide();
    rig.browser.completeLoad();
    QVERIFY(rig.form->isVisible());
    QVERIFY(rig.form->close());
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestForm1::startUpDefaultOutputFolder() {
    {
        Rig rig(QStringLiteral("/opt/vidmorf"));  // the separator is added once
        QVERIFY(rig.form->startUp());
        QCOMPARE(rig.form->programFolder(), QStringLiteral("/opt/vidmorf/"));
        QCOMPARE(rig.form->controls().Text2->text(),
                 QDir::toNativeSeparators("/opt/vidmorf/output"));
    }
    {
        Rig rig(QStringLiteral("/"));
        QVERIFY(rig.form->startUp());
        QCOMPARE(rig.form->controls().Text2->text(), QDir::toNativeSeparators("/output"));
    }
    {
        Rig rig;
        rig.form->controls().Text2->setText(QStringLiteral("/srv/videos/"));
        QVERIFY(rig.form->startUp());
        QCOMPARE(rig.form->controls().Text2->text(), QStringLiteral("/srv/videos/"));  // as typed
    }
}

void TestForm1::missingEncoderEndsTheProgram() {
    Rig rig(kFolder, false);
    QSignalSpy shown(rig.form.get(), &Form1::shown);
    // A page that finishes loading while the message is up must not show the window.
    rig.dialogs.setNextAnswer([&rig] {
        rig.browser.completeLoad();
        return MsgAnswer::Ok;
    });
    QVERIFY(!rig.form->startUp());
    QCOMPARE(shown.count(), 0);
    QVERIFY(!rig.form->isVisible());

    const auto messages = rig.dialogs.messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].title, QStringLiteral("错误"));
    QCOMPARE(messages[0].text,
             QString::fromUtf8("找不到\xE2\x80\x9C"
                               "coder.dll\xE2\x80\x9D文件\r\r"
                               "该文件为必须文件，请检查程序目录下是否存在该文件\r\r"
                               "程序因无法运行而退出，请重新下载安装"));
    QCOMPARE(messages[0].icon, MsgIcon::Critical);
    QCOMPARE(messages[0].buttons, MsgButtons::Ok);
    // The encoder check comes before the browser is sent anywhere.
    QVERIFY(rig.browser.navigations.isEmpty());

    // A folder of that name is no encoder either.
    Rig folderRig(kFolder, false);
    folderRig.files.addDir(kFolder + QStringLiteral("coder.dll"));
    QVERIFY(!folderRig.form->startUp());
}

void TestForm1::fileListButtons() {
    Rig rig;
    QVERIFY(rig.form->startUp());
    rig.form->Option7_Click(0);
    const Form1Controls& c = rig.form->controls();

    rig.dialogs.setNextFiles({"/v/b.flv", "/v/a.flv"});
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    QCOMPARE(rig.dialogs.shown.last().startFolder, QStringLiteral("/opt/vidmorf"));
    QTest::mouseClick(c.Command1, Qt::LeftButton);  // cancelled
    rig.dialogs.setNextFiles({"/v/b.flv"});
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    QCOMPARE(rig.entries(), QStringList({"/v/b.flv", "/v/a.flv", "/v/b.flv"}));

    // Delete twice after one selection removes exactly one entry.
    c.List1->setCurrentRow(1);
    QTest::mouseClick(c.Command9, Qt::LeftButton);
    QTest::mouseClick(c.Command9, Qt::LeftButton);
    QCOMPARE(rig.entries(), QStringList({"/v/b.flv", "/v/b.flv"}));

    rig.dialogs.setNextAnswer(MsgAnswer::Ok);
    QTest::mouseClick(c.Command8, Qt::LeftButton);
    QVERIFY(rig.entries().isEmpty());
    QCOMPARE(rig.dialogs.messages().last().text, QStringLiteral("是否清除列表中所有文件？"));
}

void TestForm1::dropTakesOnlyLocalFlvFiles() {
    Rig rig;
    QVERIFY(rig.form->startUp());
    rig.form->Option7_Click(0);
    QVERIFY(rig.form->controls().List1->acceptDrops());
    QTemporaryDir dir;
    rig.drop({vm::FileUrlFromPath(QStringLiteral("/v/a.flv")),
              vm::FileUrlFromPath(QStringLiteral("/v/b.FLV")),
              vm::FileUrlFromPath(QStringLiteral("/v/c.avi")), vm::FileUrlFromPath(dir.path()),
              QUrl(QStringLiteral("http://remote.example/d.flv")),
              vm::FileUrlFromPath(QStringLiteral("/v/x y.Flv"))});
    QCOMPARE(rig.entries(), QStringList({"/v/a.flv", "/v/b.FLV", "/v/x y.Flv"}));
}

void TestForm1::browseOutputFolder() {
    Rig rig;
    QVERIFY(rig.form->startUp());
    rig.form->Option7_Click(1);
    const Form1Controls& c = rig.form->controls();
    rig.dialogs.setNextFolder(QStringLiteral("/srv/out"));
    QTest::mouseClick(c.Command2, Qt::LeftButton);
    QCOMPARE(c.Text2->text(), QDir::toNativeSeparators("/srv/out/"));
    // Shown with the system's separators, taken with '/' (either, where the system has '\\').
    QCOMPARE(OutputFolderOf(c.Text2, kBuiltInLegacyEncoding), QStringLiteral("/srv/out/"));
    c.Text2->setText(QStringLiteral("/typed/by hand"));
    QTest::mouseClick(c.Command2, Qt::LeftButton);                // cancelled
    QCOMPARE(c.Text2->text(), QStringLiteral("/typed/by hand"));  // left as typed
}

void TestForm1::runViewReadsAndWritesControls() {
    Rig rig;
    QVERIFY(rig.form->startUp());
    const Form1Controls& c = rig.form->controls();
    const LegacyEncoding names = rig.form->legacyEncoding();
    FormRunView view(c, names);

    ConversionSettings s = view.settings();
    QCOMPARE(s.format, OutputFormat::Avi);
    QCOMPARE(s.frameSize, QStringLiteral("320x240"));
    QCOMPARE(s.channelIndex, 0);
    QCOMPARE(s.outputFolder, kFolder + QStringLiteral("output"));
    QCOMPARE(s.policy, ConflictPolicy::RenameAutomatically);

    c.Option8->setChecked(true);
    c.Option4->setChecked(true);
    c.Combo1->setEditText(QStringLiteral("333x111"));  // typed, not in the list
    c.Combo3->setCurrentIndex(6);
    c.Combo6->setCurrentIndex(1);
    s = view.settings();
    QCOMPARE(s.format, OutputFormat::Mp3);
    QCOMPARE(s.policy, ConflictPolicy::Overwrite);
    QCOMPARE(s.frameSize, QStringLiteral("333x111"));
    QCOMPARE(c.Combo1->count(), 11);
    QCOMPARE(s.videoBitrate, QStringLiteral("1600"));
    QCOMPARE(s.channelIndex, 1);
    c.Combo6->setEditText(QStringLiteral("5.1"));
    QCOMPARE(view.settings().channelIndex, -1);
    c.Option2->setChecked(true);
    c.Option3->setChecked(true);
    QCOMPARE(view.settings().format, OutputFormat::Wmv);
    QCOMPARE(view.settings().policy, ConflictPolicy::AskForName);
    c.Option5->setChecked(true);
    QCOMPARE(view.settings().policy, ConflictPolicy::Skip);

    view.setRunning(true);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(c.Option7[i]->isEnabled(), i >= 3);
    }
    QVERIFY(!c.Command3->isEnabled() && c.Command5->isEnabled() && c.Command6->isEnabled());
    QVERIFY(c.Combo7->isEnabled());
    view.setRunning(false);
    for (int i = 0; i < 6; ++i) {
        QVERIFY(c.Option7[i]->isEnabled());
    }
    QVERIFY(c.Command3->isEnabled() && !c.Command5->isEnabled() && !c.Command6->isEnabled());

    view.showProgress({QStringLiteral("120"), QStringLiteral("356.2"), QStringLiteral("2048"),
                       QStringLiteral("4.00"), std::nullopt, std::nullopt});
    QCOMPARE(c.Label1->text(), QStringLiteral("120"));
    QCOMPARE(c.Label2->text(), QStringLiteral("356.2"));
    QCOMPARE(c.Label15->text(), QStringLiteral("2048"));
    QCOMPARE(c.Label16->text(), QStringLiteral("4.00"));
    // An audio-only line has no frame: the frame shown stays.
    view.showProgress({.bitrate = QStringLiteral("128.0"), .size = QStringLiteral("2050")});
    QCOMPARE(c.Label1->text(), QStringLiteral("120"));
    QCOMPARE(c.Label2->text(), QStringLiteral("128.0"));
    QCOMPARE(c.Label16->text(), QStringLiteral("4.00"));
    view.setCurrentSource(QStringLiteral("/v/<b>a</b>.flv"));
    QCOMPARE(view.currentSource(), QStringLiteral("/v/<b>a</b>.flv"));
    view.setCounterCaption(QStringLiteral("正在转换(2/5):"));
    QCOMPARE(c.Label21->text(), QStringLiteral("正在转换(2/5):"));
    QVERIFY(c.Label21->width() >= c.Label21->sizeHint().width());

    // The fill keeps the width it was given; the drawing rounds it and starts 120 twips left.
    QCOMPARE(view.fileTrackWidth(), 6255.0);
    QCOMPARE(view.totalTrackWidth(), 6255.0);
    view.showProgress({.fileBarWidth = 1000.4f, .totalBarWidth = 6375.0f});
    QCOMPARE(view.fileBarWidth(), 1000.4f);
    QCOMPARE(view.totalBarWidth(), 6375.0f);
    QCOMPARE(c.Picture3->fill()->width(), 67);
    QCOMPARE(c.Picture3->fill()->x(), c.Picture3->contentsRect().left() - 8);
    QCOMPARE(c.Picture4->fill()->width(), 425);
}

void TestForm1::aboutLinks() {
    Rig rig;
    QVERIFY(rig.form->startUp());
    rig.form->Option7_Click(5);
    const Form1Controls& c = rig.form->controls();
    QTest::mouseClick(c.Command4, Qt::LeftButton);
    QTest::mouseClick(c.Label17, Qt::LeftButton);
    QTest::mouseClick(c.Label18, Qt::LeftButton);
    QTest::mouseClick(c.Label19, Qt::LeftButton);
    QCOMPARE(rig.links.opened,
             QStringList({MakerHomePage(), MakerChatPage(), MakerWebLog(), MakerMail()}));
    // Each link leads somewhere real: a page of the built-in site, or the configured addresses.
    for (const QString& link : rig.links.opened) {
        if (VM_REAL_SITE || link.startsWith(QStringLiteral("mailto:"))) {
            QVERIFY2(link.contains(QStringLiteral(VM_SITE_URL)) ||
                         link == QStringLiteral("mailto:" VM_CONTACT_MAIL),
                     qPrintable(link));
        } else {
            QVERIFY2(AnswerSiteRequest(QUrl(link)).found, qPrintable(link));
        }
    }
    QCOMPARE(QSet<QString>(rig.links.opened.begin(), rig.links.opened.end()).size(), 4);
    QVERIFY(rig.dialogs.shown.isEmpty());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
