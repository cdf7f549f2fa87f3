// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtDialogs.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QTextEdit>

#include "platform/paths/QtFileNames.h"

namespace vm {
namespace {

constexpr int kDetailsWidth = 560;  // pixels at 96 dpi; Qt scales them on larger screens
constexpr int kDetailsHeight = 140;

// Counts a box as open for as long as it is on screen.
class OpenBox {
  public:
    explicit OpenBox(int& counter) : counter_(counter) { ++counter_; }
    ~OpenBox() { --counter_; }
    OpenBox(const OpenBox&) = delete;
    OpenBox& operator=(const OpenBox&) = delete;

  private:
    int& counter_;
};

QMessageBox::Icon toQtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QWidget* QtDialogs::parentWidget() const {
    // A box over a window that is not shown yet (during start-up) is centred on the screen.
    return owner_ && owner_->isVisible() ? owner_.data() : nullptr;
}

QString QtDialogs::displayText(const QString& text) {
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

MsgAnswer QtDialogs::messageBox(const QString& title, const QString& text, MsgButtons buttons,
                                MsgIcon icon) {
    return messageBoxWithDetails(title, text, buttons, icon, {});
}

MsgAnswer QtDialogs::messageBoxWithDetails(const QString& title, const QString& text,
                                           MsgButtons buttons, MsgIcon icon,
                                           const QString& details) {
    OpenBox open(open_);
    QMessageBox box(parentWidget());
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(text));
    box.setIcon(toQtIcon(icon));
    if (!details.isEmpty()) {
        box.setDetailedText(displayText(details));  // always plain text
        // Room for a path and its reason on one line, and for several such lines.
        if (auto* area = box.findChild<QTextEdit*>()) {
            area->setMinimumSize(kDetailsWidth, kDetailsHeight);
        }
    }
    if (buttons == MsgButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (!details.isEmpty()) {
        detailsBox_ = &box;
    }
    const int result = box.exec();
    return result == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

bool QtDialogs::unfoldDetails() {
    if (!detailsBox_) {
        return false;
    }
    auto* area = detailsBox_->findChild<QTextEdit*>();
    if (area && area->isVisible()) {
        return true;
    }
    // The box's own button that shows the details is the one that is not a standard button.
    for (QAbstractButton* button : detailsBox_->buttons()) {
        if (detailsBox_->standardButton(button) == QMessageBox::NoButton) {
            button->click();
            break;
        }
    }
    return true;
}

QString QtDialogs::inputBox(const QString& title, const QString& prompt, const QString& initial) {
    OpenBox open(open_);
    QInputDialog dialog(parentWidget());
    dialog.setWindowTitle(title);
    dialog.setLabelText(displayText(prompt));
    dialog.setTextValue(initial);
    dialog.setInputMode(QInputDialog::TextInput);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.textValue();
}

QStringList QtDialogs::openFlvFiles(const QString& startFolder) {
    OpenBox open(open_);
    QStringList paths;
    for (const QString& chosen : QFileDialog::getOpenFileNames(
             parentWidget(), QString(), startFolder, QStringLiteral("Flash video(*.flv)"))) {
        paths += PathsQtReadsAs(chosen);  // the real names of files that are not UTF-8
    }
    return paths;
}

QString QtDialogs::browseForFolder() {
    OpenBox open(open_);
    const QString chosen = QFileDialog::getExistingDirectory(
        parentWidget(), QString(), QDir::rootPath(), QFileDialog::ShowDirsOnly);
    return chosen.isEmpty() ? chosen : PathsQtReadsAs(chosen).first();
}

}  // namespace vm
