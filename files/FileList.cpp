// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileList.h"

#include "i18n/MessageTable.h"
#include "platform/Dialogs.h"

namespace vm {

QString DialogStartFolder(const QString& programFolder) {
    QString folder = programFolder;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    return folder;
}

void AddFilesFromDialog(FileListView& list, Dialogs& dialogs, const QString& programFolder) {
    const QStringList chosen = dialogs.openFlvFiles(DialogStartFolder(programFolder));
    for (const QString& path : chosen) {
        list.append(path);
    }
}

bool IsFlvName(const QString& path) {
    return path.right(4).toUpper() == QLatin1String(".FLV");
}

void AddDroppedFiles(FileListView& list, const QStringList& localPaths) {
    for (const QString& path : localPaths) {
        if (IsFlvName(path)) {
            list.append(path);
        }
    }
}

void DeleteSelectedFile(FileListView& list) {
    const int index = list.selectedIndex();
    if (index >= 0 && index < list.count()) {
        list.removeAt(index);
    }
}

void ClearFileList(FileListView& list, Dialogs& dialogs, const MessageTable& messages) {
    if (list.count() == 0) {
        return;
    }
    const MsgAnswer answer =
        dialogs.messageBox(messages[Message::ConfirmTitle], messages[Message::ClearListQuestion],
                           MsgButtons::OkCancel, MsgIcon::Question);
    if (answer == MsgAnswer::Ok) {
        list.clear();
    }
}

}  // namespace vm
