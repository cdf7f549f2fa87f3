// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vm {

// Files and folders. Operations that can fail return the system's reason as text,
// empty on success, so that callers can show it to the user.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Something (file, folder, anything) exists at the path.
    virtual bool exists(const QString& path) const = 0;
    // An ordinary file (links followed) exists at the path.
    virtual bool isFile(const QString& path) const = 0;
    virtual bool isDir(const QString& path) const = 0;
    // Length in bytes, -1 when there is no file.
    virtual qint64 fileSize(const QString& path) const = 0;
    // Both paths name the same existing file, however they are spelled.
    virtual bool sameFile(const QString& a, const QString& b) const = 0;
    // What tells the file at path from any other ("device:inode", links followed), also after
    // it has been renamed; empty when there is none.
    virtual QString fileIdentity(const QString& path) const = 0;
    // Empty when the file system could hold a file of that name (its last part within the
    // folder's name limit), else the reason.
    virtual QString nameProblem(const QString& path) const = 0;

    // Empty when the ordinary file at path (links followed) could be replaced by a file renamed
    // over it, else the reason (as deleting it would give). Changes nothing. A back end that
    // cannot tell says it could.
    virtual QString replaceProblem(const QString& path) const {
        Q_UNUSED(path);
        return {};
    }

    // Deletes a file; a missing file is not an error.
    virtual QString removeFile(const QString& path) = 0;
    // Creates one folder level, exactly as given.
    virtual QString makeDir(const QString& path) = 0;
    // Deletes an empty folder.
    virtual QString removeEmptyDir(const QString& path) = 0;
    // Creates or truncates the file and writes the bytes.
    virtual QString writeFile(const QString& path, const QByteArray& data) = 0;
    // Bytes from offset to the current end; empty when the file is missing (ok = false).
    virtual QByteArray readFrom(const QString& path, qint64 offset, bool* ok = nullptr) const = 0;

    // Names of the ordinary, non-hidden files of a folder, sorted case-insensitively.
    virtual QStringList listFiles(const QString& folder) const = 0;
    // Names of the non-hidden folders in a folder (links to folders left out, so that a walk
    // down a tree ends), sorted case-insensitively.
    virtual QStringList listFolders(const QString& folder) const = 0;

    // A new folder private to this process (mode 0700), path with a trailing separator.
    // Empty on failure, with the reason in *error.
    virtual QString makePrivateTempFolder(QString* error) = 0;
};

}  // namespace vm
