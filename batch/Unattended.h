// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Dialogs.h"

namespace vm {

// The batch program runs with nobody to ask: it shows no box and chooses no file. Its
// choices never lead to a question (there is no "ask for a name"); a question asked anyway
// is answered as a cancelled box is.
class Unattended : public Dialogs {
  public:
    MsgAnswer messageBox(const QString&, const QString&, MsgButtons, MsgIcon) override {
        return MsgAnswer::Cancel;
    }
    MsgAnswer messageBoxWithDetails(const QString&, const QString&, MsgButtons, MsgIcon,
                                    const QString&) override {
        return MsgAnswer::Cancel;
    }
    QString inputBox(const QString&, const QString&, const QString&) override { return {}; }
    QStringList openFlvFiles(const QString&) override { return {}; }
    QString browseForFolder() override { return {}; }
    int openCount() const override { return 0; }
    bool unfoldDetails() override { return false; }
};

}  // namespace vm
