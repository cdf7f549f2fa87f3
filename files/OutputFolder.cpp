// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputFolder.h"

#include <QDir>
#include <QStringList>

#include "platform/Dialogs.h"
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

QString OutputFolderFromText(const QString& shownText, const QString& known, LegacyEncoding names) {
    // Typed or shown with the system's separators ('\\' on Windows), kept with '/'.
    const QString text = QDir::fromNativeSeparators(shownText);
    if (!HoldsForeignBytes(known)) {
        return text;
    }
    const QChar separator = QLatin1Char('/');
    const QStringList real = known.split(separator);
    const QStringList shown =
        QDir::fromNativeSeparators(ReadablePath(known, names)).split(separator);
    QStringList typed = text.split(separator);
    if (real.size() != shown.size()) {
        return text;
    }
    for (qsizetype i = 0; i < typed.size() && i < shown.size() && typed.at(i) == shown.at(i); ++i) {
        typed[i] = real.at(i);
    }
    return typed.join(separator);
}

}  // namespace vm
