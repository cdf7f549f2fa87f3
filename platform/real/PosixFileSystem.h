// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>

#include "platform/FileSystem.h"

namespace vm {

// Files and folders through the POSIX calls; paths are the bytes on disk (PathBytes.h).
class PosixFileSystem : public FileSystem {
  public:
    PosixFileSystem() = default;
    PosixFileSystem(const PosixFileSystem&) = delete;
    PosixFileSystem& operator=(const PosixFileSystem&) = delete;
    ~PosixFileSystem() override;  // gives up the temp folders it made

    bool exists(const QString& path) const override;
    bool isFile(const QString& path) const override;
    bool isDir(const QString& path) const override;
    qint64 fileSize(const QString& path) const override;
    bool sameFile(const QString& a, const QString& b) const override;
    QString fileIdentity(const QString& path) const override;
    // Measured against the limit (pathconf) of the folder part, or of the nearest folder
    // above it that exists.
    QString nameProblem(const QString& path) const override;
    // Asks the system what deleting the file would need (the folder of the file itself, where
    // the encoder puts the replacement), without deleting anything.
    QString replaceProblem(const QString& path) const override;

    QString removeFile(const QString& path) override;
    QString makeDir(const QString& path) override;
    QString removeEmptyDir(const QString& path) override;
    QString writeFile(const QString& path, const QByteArray& data) override;
    QByteArray readFrom(const QString& path, qint64 offset, bool* ok = nullptr) const override;

    QStringList listFiles(const QString& folder) const override;
    QStringList listFolders(const QString& folder) const override;

    // Under $XDG_RUNTIME_DIR when it is set, else under /tmp; locked while this object holds
    // it, so that a later start can tell it from the folder of a copy that died.
    QString makePrivateTempFolder(QString* error) override;

  private:
    std::map<QString, int> locks_;  // our temp folders and their locks
};

}  // namespace vm
