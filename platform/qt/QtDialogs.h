// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "platform/Dialogs.h"

namespace vm {

// Modal boxes and choosers on Qt's standard dialogs.
class QtDialogs : public Dialogs {
  public:
    // The window the boxes belong to (centred over it, modal to it).
    void setOwner(QWidget* owner) { owner_ = owner; }

    MsgAnswer messageBox(const QString& title, const QString& text, MsgButtons buttons,
                         MsgIcon icon) override;
    MsgAnswer messageBoxWithDetails(const QString& title, const QString& text, MsgButtons buttons,
                                    MsgIcon icon, const QString& details) override;
    QString inputBox(const QString& title, const QString& prompt, const QString& initial) override;
    QStringList openFlvFiles(const QString& startFolder) override;
    QString browseForFolder() override;
    int openCount() const override { return open_; }
    bool unfoldDetails() override;

    // CR LF and single CRs become line breaks.
    static QString displayText(const QString& text);

  private:
    QWidget* parentWidget() const;

    QPointer<QWidget> owner_;
    int open_ = 0;
    QPointer<QMessageBox> detailsBox_;  // the open box with details
};

}  // namespace vm
