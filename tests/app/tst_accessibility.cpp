// SPDX-License-Identifier: GPL-3.0-or-later
// The window as a screen reader and a keyboard meet it: a name for every control a person can
// reach, in the language shown; Tab in reading order; keys for the tabs, the buttons, the list
// and the links; message boxes that answer Enter and Escape.
#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFocusFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "MemoryPlatform.h"
#include "SystemBackEnds.h"
#include "app/Form1.h"
#include "app/SitePages.h"
#include "app/Widgets.h"
#include "convert/BatchRun.h"
#include "platform/qt/QtDialogs.h"

using namespace vm;
using namespace vm::test;

namespace {

// A shown window over a program folder of its own, with the shipped packs or with none.
struct Window {
    QTemporaryDir dir;
    QString folder = dir.path() + QLatin1Char('/');
    SystemFileSystem files;
    ManualProcesses processes;
    FakeDialogs dialogs;
    FakeLinks links;
    FakeBrowser browser;
    SystemProfileFiles profiles;
    std::unique_ptr<Form1> form;

    explicit Window(bool withPacks, const QByteArray& extraPack = {}) {
        writeFile(QStringLiteral("coder.dll"), {});
        if (withPacks) {
            const QDir packs(QStringLiteral(VM_SOURCE_DIR "/packs"));
            for (const QString& name : packs.entryList({QStringLiteral("*.INI")})) {
                QFile::copy(packs.filePath(name), folder + name);
            }
        }
        if (!extraPack.isEmpty()) {
            writeFile(QStringLiteral("extra.INI"), extraPack);
        }
        form = std::make_unique<Form1>(
            Platform{files, processes, dialogs, links, browser, profiles}, folder);
    }
    void writeFile(const QString& name, const QByteArray& bytes) const {
        QFile f(folder + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(name));
        }
    }
    const Form1Controls& c() const { return form->controls(); }
    bool start() {
        if (!form->startUp()) {
            return false;
        }
        form->activateWindow();
        return QTest::qWaitForWindowActive(form.get());
    }
    void choose(const QString& language) {
        c().Combo7->setCurrentIndex(c().Combo7->findText(language));
        form->Combo7_Click();
    }
};

QWidget* Focused() {
    return QApplication::focusWidget();
}

// A key as the user types it: to whichever control has the focus.
void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = Focused();
    if (!target) {
        QFAIL("nothing has the focus");
    }
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

// What a screen reader calls a control: its name, and the labels that name it. On this
// platform a combo box's own name is the entry it shows, which says nothing about what the box
// sets, so for a combo box only its labels count.
QString SpokenName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (!iface) {
        return {};
    }
    QStringList parts;
    if (iface->role() != QAccessible::ComboBox) {
        parts << iface->text(QAccessible::Name);
    }
    for (const auto& [label, relation] : iface->relations(QAccessible::Label)) {
        parts << label->text(QAccessible::Name);
    }
    parts.removeAll(QString());
    return parts.join(QLatin1Char('|'));
}

// The controls of the page in front that the keyboard can reach, in the order of the focus
// chain: those that take the focus from Tab, and the buttons of an exclusive group, which the
// arrow keys reach. A disabled one counts too: a screen reader announces it.
QList<QWidget*> Reachable(QWidget* form) {
    QList<QWidget*> met;
    for (QWidget* w = form->nextInFocusChain(); w != form; w = w->nextInFocusChain()) {
        auto* button = qobject_cast<QAbstractButton*>(w);
        const bool inGroup = button && button->group() && button->group()->exclusive();
        if (w->isVisible() && ((w->focusPolicy() & Qt::TabFocus) || inGroup)) {
            met.append(w);
        }
    }
    return met;
}

QString Describe(const QWidget* w) {
    if (w->objectName() == QLatin1String("Option7")) {
        return QStringLiteral("Option7(%1)").arg(w->property("index").toInt());
    }
    if (!w->objectName().isEmpty()) {
        return w->objectName();
    }
    return QString::fromLatin1(w->metaObject()->className()) + QLatin1String(" of ") +
           Describe(w->parentWidget());
}

// Tab (or Shift+Tab) from the language box round to it again.
QStringList TabRound(bool forward) {
    QStringList met;
    for (int i = 0; i < 30; ++i) {
        met << Describe(Focused()) +
                   (Focused()->isVisible() ? QString() : QStringLiteral(" (hidden)"));
        Press(forward ? Qt::Key_Tab : Qt::Key_Backtab,
              forward ? Qt::NoModifier : Qt::ShiftModifier);
        if (Focused()->objectName() == QLatin1String("Combo7")) {
            break;
        }
    }
    return met;
}

// Answers the modal box that comes up next with a key, as the user would, and keeps its text.
struct BoxAnswer {
    QStringList texts;
    QTimer timer;
    QPointer<QWidget> last;
    explicit BoxAnswer(Qt::Key key) {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this, key] {
            // The key goes where the focus is, once the box has it.
            QWidget* box = QApplication::activeModalWidget();
            if (!box || box != QApplication::activeWindow() || box == last) {
                return;
            }
            last = box;
            if (auto* message = qobject_cast<QMessageBox*>(box)) {
                texts << message->text();
            }
            QTest::keyClick(Focused(), key);
        });
        timer.start();
    }
};

}  // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
  private slots:
    void everyReachableControlIsNamed_data();
    void everyReachableControlIsNamed();
    void namesFollowTheLanguage();
    void tabFollowsReadingOrder();
    void keysSelectTabsAndSkipDisabledOnes();
    void keysPressButtonsDeleteAndOpenLinks();
    void boxesAnswerEnterAndEscape();
};

void TestAccessibility::everyReachableControlIsNamed_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("built-in Chinese") << QString();
    QTest::newRow("English") << QStringLiteral("English");
}

void TestAccessibility::everyReachableControlIsNamed() {
    QFETCH(QString, language);
    Window w(!language.isEmpty());
    QVERIFY(w.start());
    if (!language.isEmpty()) {
        w.choose(language);
    }
    int met = 0;
    QStringList unnamed;
    QSet<QString> distinct;
    for (int tab = 0; tab < kTabCount; ++tab) {
        w.c().Option7[tab]->click();
        for (QWidget* control : Reachable(w.form.get())) {
            ++met;
            if (SpokenName(control).isEmpty()) {
                unnamed << QStringLiteral("tab %1: %2").arg(tab).arg(Describe(control));
                distinct.insert(Describe(control));
            }
        }
    }
    qInfo("%d controls met, %d without a name (%d distinct)", met, int(unnamed.size()),
          int(distinct.size()));
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1String(", "))));
}

void TestAccessibility::namesFollowTheLanguage() {
    // A pack with an '&' in a caption and a name, and an empty name.
    Window w(true,
             "[Info]\r\nLanguage=Amp\r\n[Tab3]\r\nlab31=Size & rate\r\n"
             "[Access]\r\nacc1=Lang & region\r\nacc2=\r\n");
    QVERIFY(w.start());
    const Form1Controls& c = w.c();
    auto lineEditName = [](QComboBox* box) {
        return QAccessible::queryAccessibleInterface(box->lineEdit())->text(QAccessible::Name);
    };
    const struct {
        QString language, box, list, size;
    } cases[] = {
        {QStringLiteral("简体中文"), QStringLiteral("语言"), QStringLiteral("转换列表"),
         QStringLiteral("分辨率")},
        {QStringLiteral("English"), QStringLiteral("Language"), QStringLiteral("Files to convert"),
         QStringLiteral("Frame size")},
        {QStringLiteral("Amp"), QStringLiteral("Lang & region"), QStringLiteral("转换列表"),
         QStringLiteral("Size & rate")},
    };
    for (const auto& expected : cases) {
        w.choose(expected.language);
        QCOMPARE(SpokenName(c.Combo7), expected.box);
        QCOMPARE(SpokenName(c.List1), expected.list);
        QCOMPARE(CaptionOf(c.Label3), expected.size);
        QVERIFY2(SpokenName(c.Combo1).startsWith(expected.size + QLatin1Char('|')),
                 qPrintable(SpokenName(c.Combo1)));
        QCOMPARE(lineEditName(c.Combo1), expected.size);
        QCOMPARE(lineEditName(c.Combo6), CaptionOf(c.Label8));
    }
    // The contact labels are links: named by their text, opened by a screen reader's action.
    QAccessibleInterface* link = QAccessible::queryAccessibleInterface(c.Label17);
    QCOMPARE(link->role(), QAccessible::Link);
    QCOMPARE(link->text(QAccessible::Name), CaptionOf(c.Label17));
    link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(w.links.opened, QStringList(MakerChatPage()));
}

void TestAccessibility::tabFollowsReadingOrder() {
    Window w(false);
    QVERIFY(w.start());
    const QList<QStringList> expected = {
        {"Combo7", "Option7(0)", "List1", "Command1", "Command9", "Command8"},
        {"Combo7", "Option7(1)", "Text2", "Command2", "Option6"},
        {"Combo7", "Option7(2)", "Option1", "Combo1", "Combo2", "Combo3", "Combo4", "Combo5",
         "Combo6"},
        {"Combo7", "Option7(3)", "Command3"},
        {"Combo7", "Option7(4)"},
        {"Combo7", "Option7(5)", "Command4", "Label19", "Label17", "Label18", "Text4"},
    };
    for (int tab = 0; tab < kTabCount; ++tab) {
        w.c().Option7[tab]->click();
        w.c().Combo7->setFocus(Qt::TabFocusReason);
        QCOMPARE(TabRound(true), expected[tab]);
        QStringList back = expected[tab].mid(1);
        std::reverse(back.begin(), back.end());
        back.prepend(QStringLiteral("Combo7"));
        QCOMPARE(TabRound(false), back);
    }
}

void TestAccessibility::keysSelectTabsAndSkipDisabledOnes() {
    Window w(false);
    QVERIFY(w.start());
    const Form1Controls& c = w.c();
    auto selected = [&] { return c.tabGroup->checkedId(); };
    auto onTab = [&](int tab) {
        return selected() == tab && Focused() == c.Option7[tab] && !c.panels[tab]->isHidden();
    };
    c.Combo7->setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Tab, Qt::ControlModifier);
    QVERIFY(onTab(kAboutTab));
    Press(Qt::Key_PageDown, Qt::ControlModifier);
    QVERIFY(onTab(kFileListTab));
    Press(Qt::Key_PageUp, Qt::ControlModifier);
    QVERIFY(onTab(kAboutTab));
    Press(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(onTab(kResourceTab));
    Press(Qt::Key_Left);
    QVERIFY(onTab(kConversionTab));
    Press(Qt::Key_Return);  // the selected tab pressed again changes nothing
    QVERIFY(onTab(kConversionTab));

    // Start from the keyboard hands the focus to Cancel task, and the run's disabled tabs are
    // passed by.
    QVERIFY(QDir().mkpath(w.folder + QStringLiteral("out")));
    c.Text2->setText(w.folder + QStringLiteral("out"));
    w.form->AddGivenFiles({w.folder + QStringLiteral("a.flv")});
    Press(Qt::Key_Tab);
    QCOMPARE(Focused(), c.Command3);
    Press(Qt::Key_Return);
    QTRY_VERIFY(!w.form->encoderIdle());
    QCOMPARE(Focused(), c.Command6);
    Press(Qt::Key_Tab, Qt::ControlModifier);
    Press(Qt::Key_Tab, Qt::ControlModifier);
    Press(Qt::Key_Tab, Qt::ControlModifier);
    QVERIFY(onTab(kConversionTab));
    Press(Qt::Key_Left);
    QVERIFY(onTab(kConversionTab));
    Press(Qt::Key_PageUp, Qt::ControlModifier);
    QVERIFY(onTab(kAboutTab));
    Press(Qt::Key_PageDown, Qt::ControlModifier);
    Press(Qt::Key_Tab);
    QCOMPARE(Focused(), c.Command6);
    w.processes.finish();
    QTRY_VERIFY(!w.form->batchRun().isRunning());
    QCOMPARE(Focused(), c.Command3);  // and back to Start when the run is over
}

void TestAccessibility::keysPressButtonsDeleteAndOpenLinks() {
    Window w(false);
    QVERIFY(w.start());
    const Form1Controls& c = w.c();
    auto entries = [&] {
        QStringList all;
        for (int i = 0; i < c.List1->count(); ++i) {
            all << QDir::fromNativeSeparators(c.List1->item(i)->text());
        }
        return all;
    };
    c.Option7[kParametersTab]->setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Return);
    QCOMPARE(c.tabGroup->checkedId(), int(kParametersTab));
    c.Option7[kFileListTab]->setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Space);
    QVERIFY(!c.panels[kFileListTab]->isHidden());

    Press(Qt::Key_Tab);
    Press(Qt::Key_Tab);
    QCOMPARE(Focused(), c.Command1);
    w.dialogs.setNextFiles({"/v/a.flv", "/v/b.flv"});
    Press(Qt::Key_Return);
    w.dialogs.setNextFiles({"/v/c.flv"});
    Press(Qt::Key_Enter, Qt::KeypadModifier);
    w.dialogs.setNextFiles({"/v/d.flv"});
    Press(Qt::Key_Space);
    QCOMPARE(entries(), QStringList({"/v/a.flv", "/v/b.flv", "/v/c.flv", "/v/d.flv"}));
    // The Enter that answered a box comes up over the button below it: that presses nothing.
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(c.Command1, &release);
    QCOMPARE(int(w.dialogs.shown.size()), 3);

    // Delete in the list does what the Delete button does: nothing without a chosen file.
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(Focused(), c.List1);
    auto* ring = w.form->findChild<QFocusFrame*>();  // the style alone would not show the focus
    QVERIFY(ring && ring->isVisible() && ring->widget() == c.List1);
    Press(Qt::Key_Delete);
    QCOMPARE(entries().size(), 4);
    Press(Qt::Key_Down);
    Press(Qt::Key_Delete);
    QCOMPARE(entries(), QStringList({"/v/a.flv", "/v/c.flv", "/v/d.flv"}));
    Press(Qt::Key_Delete);
    QCOMPARE(entries().size(), 3);

    // The links: Tab reaches them, Enter and Space open them, a click still opens without
    // taking the focus.
    c.Option7[kAboutTab]->click();
    c.Command4->setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Tab);
    QCOMPARE(Focused(), c.Label19);
    Press(Qt::Key_Return);
    Press(Qt::Key_Tab);
    Press(Qt::Key_Space);
    QTest::mouseClick(c.Label18, Qt::LeftButton);
    QCOMPARE(Focused(), c.Label17);
    QCOMPARE(w.links.opened, QStringList({MakerMail(), MakerChatPage(), MakerWebLog()}));
}

void TestAccessibility::boxesAnswerEnterAndEscape() {
    QtDialogs dialogs;
    const QString details = QStringLiteral("/v/a.flv\n/v/b.flv");
    {
        BoxAnswer enter(Qt::Key_Return);
        QCOMPARE(dialogs.messageBox("t", "clear?", MsgButtons::OkCancel, MsgIcon::Question),
                 MsgAnswer::Ok);
        QCOMPARE(dialogs.messageBoxWithDetails("t", "done", MsgButtons::Ok, MsgIcon::None, details),
                 MsgAnswer::Ok);
        QCOMPARE(dialogs.inputBox("t", "name?", "x.avi"), QStringLiteral("x.avi"));
        QCOMPARE(enter.texts, QStringList({"clear?", "done"}));
    }
    {
        BoxAnswer escape(Qt::Key_Escape);
        QCOMPARE(dialogs.messageBox("t", "clear?", MsgButtons::OkCancel, MsgIcon::Question),
                 MsgAnswer::Cancel);
        QCOMPARE(dialogs.messageBoxWithDetails("t", "done", MsgButtons::Ok, MsgIcon::None, details),
                 MsgAnswer::Ok);
        QCOMPARE(dialogs.messageBox("t", "missing", MsgButtons::Ok, MsgIcon::Critical),
                 MsgAnswer::Ok);
        QCOMPARE(dialogs.inputBox("t", "name?", "x.avi"), QString());
    }
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
