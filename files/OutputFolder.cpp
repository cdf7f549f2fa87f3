// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputFolder.h"

#include "platform/Dialogs.h"

namespace vm {

QString BrowseOutputFolder(Dialogs& dialogs, const QString& current) {
    QString folder = dialogs.browseForFolder();
    if (folder.isEmpty()) {
        return current;
    }
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

}  // namespace vm
