// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceTree.h"

#include <QSet>
#include <cerrno>
#include <cstring>

#include "files/FileList.h"
#include "i18n/BatchTexts.h"
#include "i18n/TextPattern.h"
#include "platform/FileSystem.h"
#include "platform/paths/PathBytes.h"

namespace vm {

namespace {

QString join(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

class Collector {
  public:
    Collector(const FileSystem& files, bool recursive, SourceList& list)
        : files_(files), recursive_(recursive), list_(list) {}

    void add(const QString& source, const QString& outputFolder) {
        const QString identity = files_.fileIdentity(source);
        if (seen_.contains(identity)) {
            return;
        }
        seen_.insert(identity);
        list_.sources.append({source, outputFolder});
    }

    void walk(const QString& folder, const QString& outputFolder) {
        for (const QString& name : files_.listFiles(folder)) {
            if (IsFlvName(name)) {
                add(join(folder, name), outputFolder);
            }
        }
        if (!recursive_) {
            return;
        }
        for (const QString& name : files_.listFolders(folder)) {
            walk(join(folder, name), join(outputFolder, name));
        }
    }

  private:
    const FileSystem& files_;
    bool recursive_;
    SourceList& list_;
    QSet<QString> seen_;
};

}  // namespace

SourceList CollectSources(const QStringList& paths, const QString& output, bool recursive,
                          const FileSystem& files, const BatchTexts& texts) {
    SourceList list;
    Collector collector(files, recursive, list);
    for (const QString& path : paths) {
        if (files.isDir(path)) {
            collector.walk(path, output.isEmpty() ? path : output);
        } else if (files.isFile(path) && IsFlvName(path)) {
            collector.add(path, output.isEmpty() ? folderOf(path) : output);
        } else if (files.exists(path)) {
            list.error = FillIn(texts.notFlv, {path});
        } else {
            list.error = FillIn(texts.cannotAccess, {path, SystemText(std::strerror(ENOENT))});
        }
        if (!list.error.isEmpty()) {
            list.sources.clear();
            break;
        }
    }
    return list;
}

}  // namespace vm
