// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeDialogs.h"

namespace vm {

void FakeDialogs::setNextAnswer(MsgAnswer answer) {
    answers_.enqueue([answer] { return answer; });
}

void FakeDialogs::setNextAnswer(std::function<MsgAnswer()> answer) {
    answers_.enqueue(std::move(answer));
}

void FakeDialogs::setNextInput(const QString& text) {
    inputs_.enqueue(text);
}
void FakeDialogs::setNextFiles(const QStringList& paths) {
    files_.enqueue(paths);
}
void FakeDialogs::setNextFolder(const QString& path) {
    folders_.enqueue(path);
}

QVector<FakeDialogs::Shown> FakeDialogs::messages() const {
    QVector<Shown> result;
    for (const Shown& s : shown) {
        if (s.kind == Kind::Message) {
            result.append(s);
        }
    }
    return result;
}

MsgAnswer FakeDialogs::messageBox(const QString& title, const QString& text, MsgButtons buttons,
                                  MsgIcon icon) {
    return messageBoxWithDetails(title, text, buttons, icon, {});
}

MsgAnswer FakeDialogs::messageBoxWithDetails(const QString& title, const QString& text,
                                             MsgButtons buttons, MsgIcon icon,
                                             const QString& details) {
    shown.append({Kind::Message, title, text, buttons, icon, {}, details});
    if (answers_.isEmpty()) {
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : defaultAnswer_;
    }
    auto answer = answers_.dequeue();
    const int withDetails = details.isEmpty() ? 0 : 1;
    ++open_;
    openWithDetails_ += withDetails;
    MsgAnswer result = answer();
    openWithDetails_ -= withDetails;
    --open_;
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : result;
}

bool FakeDialogs::unfoldDetails() {
    if (openWithDetails_ == 0) {
        return false;
    }
    ++unfolded;
    return true;
}

QString FakeDialogs::inputBox(const QString& title, const QString& prompt, const QString&) {
    shown.append({Kind::Input, title, prompt, MsgButtons::OkCancel, MsgIcon::None, {}, {}});
    return inputs_.isEmpty() ? QString() : inputs_.dequeue();
}

QStringList FakeDialogs::openFlvFiles(const QString& startFolder) {
    shown.append({Kind::OpenFiles, {}, {}, MsgButtons::OkCancel, MsgIcon::None, startFolder, {}});
    return files_.isEmpty() ? QStringList() : files_.dequeue();
}

QString FakeDialogs::browseForFolder() {
    shown.append({Kind::Folder, {}, {}, MsgButtons::OkCancel, MsgIcon::None, {}, {}});
    return folders_.isEmpty() ? QString() : folders_.dequeue();
}

}  // namespace vm
