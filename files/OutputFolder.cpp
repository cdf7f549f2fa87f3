// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputFolder.h"

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

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

QString MakeFolderPath(FileSystem& files, const QString& folder) {
    if (folder.isEmpty() || files.isDir(folder)) {
        return {};
    }
    QString path = folder;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
    }
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash > 0) {
        const QString above = MakeFolderPath(files, path.left(slash));
        if (!above.isEmpty()) {
            return above;
        }
    }
    const QString error = files.makeDir(path);
    if (!error.isEmpty() && !files.isDir(path)) {
        return path + QStringLiteral(": ") + error;
    }
    return {};
}

}  // namespace vm
