// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputFolder.h"

#include <QStringList>

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/paths/PathBytes.h"
#include "platform/paths/ReadablePath.h"

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

QString OutputFolderFromText(const QString& text, const QString& known, LegacyEncoding names) {
    if (!HoldsForeignBytes(known)) {
        return text;
    }
    const QChar separator = QLatin1Char('/');
    const QStringList real = known.split(separator);
    const QStringList shown = ReadablePath(known, names).split(separator);
    QStringList typed = text.split(separator);
    if (real.size() != shown.size()) {
        return text;
    }
    for (qsizetype i = 0; i < typed.size() && i < shown.size() && typed.at(i) == shown.at(i); ++i) {
        typed[i] = real.at(i);
    }
    return typed.join(separator);
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
