// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace vm {

enum class MsgButtons { Ok, OkCancel };
enum class MsgIcon { None, Information, Question, Exclamation, Critical };
enum class MsgAnswer { Ok, Cancel };

// Modal boxes and the file and folder choosers. Every call blocks until the user answers.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // A CR or CR LF inside the text is one line break; the text is plain, never rich text.
    virtual MsgAnswer messageBox(const QString& title, const QString& text, MsgButtons buttons,
                                 MsgIcon icon) = 0;
    // The same box with details that the user can unfold: plain text, one item a line.
    virtual MsgAnswer messageBoxWithDetails(const QString& title, const QString& text,
                                            MsgButtons buttons, MsgIcon icon,
                                            const QString& details) = 0;
    // Single-line input; an empty text when cancelled.
    virtual QString inputBox(const QString& title, const QString& prompt,
                             const QString& initial) = 0;
    // Open-file dialog, filter "Flash video(*.flv)", several files; full paths, empty on cancel.
    virtual QStringList openFlvFiles(const QString& startFolder) = 0;
    // Folder chooser from the top of the file system; empty on cancel.
    virtual QString browseForFolder() = 0;
    // Number of boxes currently open.
    virtual int openCount() const = 0;
    // Unfolds the details of the open box that has them; false when no such box is open.
    virtual bool unfoldDetails() = 0;
};

}  // namespace vm
