// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FileSystem.h"

namespace vm {

// Files and folders through the POSIX calls; names are UTF-8 on disk.
class PosixFileSystem : public FileSystem {
  public:
    bool exists(const QString& path) const override;
    bool isFile(const QString& path) const override;
    bool isDir(const QString& path) const override;
    qint64 fileSize(const QString& path) const override;
    bool sameFile(const QString& a, const QString& b) const override;
    QString fileIdentity(const QString& path) const override;
    // Measured against the limit (pathconf) of the folder part, or of the nearest folder
    // above it that exists.
    QString nameProblem(const QString& path) const override;

    QString removeFile(const QString& path) override;
    QString makeDir(const QString& path) override;
    QString removeEmptyDir(const QString& path) override;
    QString writeFile(const QString& path, const QByteArray& data) override;
    QByteArray readFrom(const QString& path, qint64 offset, bool* ok = nullptr) const override;

    QStringList listFiles(const QString& folder) const override;

    // Under $XDG_RUNTIME_DIR when it is set, else under /tmp.
    QString makePrivateTempFolder(QString* error) override;
};

}  // namespace vm
