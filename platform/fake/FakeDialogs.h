// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QQueue>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

#include "platform/Dialogs.h"

namespace vm {

// Dialogs answered ahead of time. Every box shown is recorded. An answer may be a function:
// it runs while the box counts as open (openCount() > 0), as if the user took time to answer.
class FakeDialogs : public Dialogs {
  public:
    enum class Kind { Message, Input, OpenFiles, Folder };
    struct Shown {
        Kind kind;
        QString title;
        QString text;  // message text, or the prompt of an input box
        MsgButtons buttons = MsgButtons::Ok;
        MsgIcon icon = MsgIcon::None;
        QString startFolder;  // open-file dialog
        QString details;      // the unfolding part of a message box
    };

    void setNextAnswer(MsgAnswer answer);
    void setNextAnswer(std::function<MsgAnswer()> answer);
    void setDefaultAnswer(MsgAnswer answer) { defaultAnswer_ = answer; }
    void setNextInput(const QString& text);  // an empty text is what Cancel gives
    void setNextFiles(const QStringList& paths);
    void setNextFolder(const QString& path);

    QVector<Shown> shown;
    // Messages only (no input boxes or choosers), for short assertions.
    QVector<Shown> messages() const;
    int pendingAnswers() const { return int(answers_.size()); }

    MsgAnswer messageBox(const QString& title, const QString& text, MsgButtons buttons,
                         MsgIcon icon) override;
    MsgAnswer messageBoxWithDetails(const QString& title, const QString& text, MsgButtons buttons,
                                    MsgIcon icon, const QString& details) override;
    QString inputBox(const QString& title, const QString& prompt, const QString& initial) override;
    QStringList openFlvFiles(const QString& startFolder) override;
    QString browseForFolder() override;
    int openCount() const override { return open_; }
    // True while a box with details is open (answering); each such call counts in `unfolded`.
    bool unfoldDetails() override;
    int unfolded = 0;

  private:
    QQueue<std::function<MsgAnswer()>> answers_;
    QQueue<QString> inputs_;
    QQueue<QStringList> files_;
    QQueue<QString> folders_;
    MsgAnswer defaultAnswer_ = MsgAnswer::Ok;
    int open_ = 0;
    int openWithDetails_ = 0;
};

}  // namespace vm
