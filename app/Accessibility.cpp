// SPDX-License-Identifier: GPL-3.0-or-later
#include "Accessibility.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFocusFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

#include "Form1Controls.h"
#include "Widgets.h"
#include "i18n/AccessTexts.h"

namespace vm {

namespace {

// A contact label is a link to a screen reader: named by its text, opened by its press action.
class LinkInterface : public QAccessibleWidget {
  public:
    explicit LinkInterface(ClickLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return label()->text();
        }
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            label()->activate();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

  private:
    ClickLabel* label() const { return static_cast<ClickLabel*>(widget()); }
};

QAccessibleInterface* LinkFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(ClickLabel::staticMetaObject.className()) && object &&
        object->isWidgetType()) {
        return new LinkInterface(static_cast<ClickLabel*>(object));
    }
    return nullptr;
}

bool IsPlainKey(const QKeyEvent* key, std::initializer_list<int> keys) {
    return std::find(keys.begin(), keys.end(), key->key()) != keys.end() &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace

Accessibility::Accessibility(QWidget* form, const Form1Controls& c)
    : QObject(form), c_(c), languageName_(new QLabel(form)) {
    static const bool linksInstalled = [] {
        QAccessible::installFactory(LinkFactory);
        return true;
    }();
    Q_UNUSED(linksInstalled);

    // On this platform a screen reader names a combo box by the label whose buddy it is (the
    // box's own name is the entry it shows). The window shows no caption beside the language
    // box, so its label is never shown.
    languageName_->setObjectName(QStringLiteral("Combo7Name"));
    languageName_->setTextFormat(Qt::PlainText);
    languageName_->hide();
    languageName_->setBuddy(c.Combo7);

    // The links take the focus from the keyboard only: a click still just opens them.
    for (ClickLabel* link : {c.Label19, c.Label17, c.Label18}) {
        link->setFocusPolicy(Qt::TabFocus);
    }
    // The button stands level with the maker's line, above the links.
    QWidget::setTabOrder(c.Command4, c.Label19);
    QWidget::setTabOrder(c.Label19, c.Label17);
    QWidget::setTabOrder(c.Label17, c.Label18);
    c.Text4->setTabChangesFocus(true);

    // The style marks a focused field or button, but not a focused list or text box: a ring
    // around them does.
    auto* ring = new QFocusFrame(form);
    QPalette highlight = ring->palette();
    highlight.setColor(QPalette::WindowText, highlight.color(QPalette::Highlight));
    ring->setPalette(highlight);
    connect(qApp, &QApplication::focusChanged, ring, [this, ring](QWidget*, QWidget* now) {
        ring->setWidget(now == c_.List1 || now == c_.Text4 ? now : nullptr);
    });

    keepSelectedTabReachable();
    connect(c.tabGroup, &QButtonGroup::idToggled, this, [this] { keepSelectedTabReachable(); });

    auto* next = new QShortcut(form);
    next->setKeys(
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    connect(next, &QShortcut::activated, this, [this] { stepTab(1); });
    auto* previous = new QShortcut(form);
    // Written with Tab, not Backtab: only so does it match the key on X11 and Wayland.
    previous->setKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                       QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
    connect(previous, &QShortcut::activated, this, [this] { stepTab(-1); });

    for (QPushButton* button : form->findChildren<QPushButton*>()) {
        button->installEventFilter(this);
    }
    c.List1->installEventFilter(this);
}

void Accessibility::applyNames(const AccessTexts& texts) {
    SetCaption(languageName_, texts.languageBox);
    c_.Combo7->setAccessibleName(texts.languageBox);
    c_.List1->setAccessibleName(texts.fileList);
    // The field of an editable box is a control of its own to a screen reader: it takes the
    // caption that names the box.
    for (QLabel* caption : {c_.Label3, c_.Label4, c_.Label5, c_.Label6, c_.Label7, c_.Label8}) {
        if (auto* box = qobject_cast<QComboBox*>(caption->buddy()); box && box->lineEdit()) {
            box->lineEdit()->setAccessibleName(CaptionOf(caption));
        }
    }
}

void Accessibility::stepTab(int step) {
    const int current = qMax(0, c_.tabGroup->checkedId());
    for (int i = 1; i < kTabCount; ++i) {
        QPushButton* tab = c_.Option7[((current + step * i) % kTabCount + kTabCount) % kTabCount];
        if (tab->isEnabled()) {
            tab->click();
            tab->setFocus(Qt::ShortcutFocusReason);
            return;
        }
    }
}

// Tab enters the strip at the selected tab; the arrow keys move from there (Qt gives the tab
// stop to whichever button of the group takes the focus, and this keeps it on the selected one
// when the selection changes otherwise).
void Accessibility::keepSelectedTabReachable() {
    for (QPushButton* tab : c_.Option7) {
        tab->setFocusPolicy(tab->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

bool Accessibility::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == c_.List1 &&
        IsPlainKey(static_cast<QKeyEvent*>(event), {Qt::Key_Delete})) {
        c_.Command9->click();  // exactly what the button does
        return true;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(watched)) {
        return pressWithEnter(button, event);
    }
    return false;
}

// Enter works a button as Space does: down on the press, clicked on the release, so that a box
// the click opens does not take the same key's repeats as its answer.
bool Accessibility::pressWithEnter(QAbstractButton* button, QEvent* event) {
    if (event->type() == QEvent::FocusOut && enterPressed_ == button) {
        enterPressed_ = nullptr;  // Qt lifts the button itself
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!IsPlainKey(key, {Qt::Key_Return, Qt::Key_Enter})) {
        return false;
    }
    if (key->isAutoRepeat()) {
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        if (button->isEnabled()) {
            enterPressed_ = button;
            button->setDown(true);
        }
    } else if (enterPressed_ == button) {
        enterPressed_ = nullptr;
        button->setDown(false);
        button->click();
    }
    return true;
}

}  // namespace vm
