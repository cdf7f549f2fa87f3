// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtFileNames.h"

#include <dirent.h>

#include <QFile>
#include <algorithm>

#include "PathBytes.h"

namespace vm {

QStringList PathsQtReadsAs(const QString& path) {
    constexpr qsizetype kMostPaths = 64;
    if (!path.contains(QChar::ReplacementCharacter) || !path.startsWith(QLatin1Char('/'))) {
        return {path};
    }
    const QStringList parts = path.split(QLatin1Char('/'));
    QStringList found{QString()};  // the folders so far, without their trailing '/'
    for (qsizetype i = 1; i < parts.size() && !found.isEmpty(); ++i) {
        const QString& part = parts.at(i);
        QStringList next;
        for (const QString& folder : std::as_const(found)) {
            if (!part.contains(QChar::ReplacementCharacter)) {
                next.append(folder + QLatin1Char('/') + part);
                continue;
            }
            const QByteArray name = folder.isEmpty() ? QByteArray("/") : PathToBytes(folder);
            DIR* dir = ::opendir(name.constData());
            if (!dir) {
                continue;
            }
            QStringList matches;
            while (const dirent* entry = ::readdir(dir)) {
                if (QFile::decodeName(entry->d_name) == part) {
                    matches.append(folder + QLatin1Char('/') + PathFromBytes(entry->d_name));
                }
            }
            ::closedir(dir);
            std::sort(matches.begin(), matches.end());
            next += matches;
        }
        found = next.mid(0, kMostPaths);
    }
    return found.isEmpty() ? QStringList{path} : found;
}

}  // namespace vm
