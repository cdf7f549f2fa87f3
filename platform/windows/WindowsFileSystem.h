// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>

#include "platform/FileSystem.h"
#include "platform/windows/WindowsFiles.h"

namespace vm {

// Files and folders through the wide Win32 API. Paths are QStrings with '/' (or '\'), taken
// as the UTF-16 names they are; long absolute paths are passed in the "\\?\" form.
class WindowsFileSystem : public FileSystem {
  public:
    WindowsFileSystem() = default;
    WindowsFileSystem(const WindowsFileSystem&) = delete;
    WindowsFileSystem& operator=(const WindowsFileSystem&) = delete;
    ~WindowsFileSystem() override = default;  // gives up the temp folders it made

    bool exists(const QString& path) const override;
    bool isFile(const QString& path) const override;
    bool isDir(const QString& path) const override;
    qint64 fileSize(const QString& path) const override;
    bool sameFile(const QString& a, const QString& b) const override;
    // "volumeSerial:fileIndex".
    QString fileIdentity(const QString& path) const override;
    // A name Windows cannot hold: the characters <>:"|?* and control characters, a dot or a
    // blank at its end, a device's name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, any extension),
    // more than 255 UTF-16 units.
    QString nameProblem(const QString& path) const override;
    // The read-only attribute, or no right to delete the file (asked by opening it so).
    QString replaceProblem(const QString& path) const override;

    QString removeFile(const QString& path) override;
    QString makeDir(const QString& path) override;
    QString removeEmptyDir(const QString& path) override;
    QString writeFile(const QString& path, const QByteArray& data) override;
    // Shares the file for reading, writing and deleting: the encoder writes its log meanwhile.
    QByteArray readFrom(const QString& path, qint64 offset, bool* ok = nullptr) const override;

    // Hidden and system entries are left out, and of the folders those that are reparse points
    // (links, junctions).
    QStringList listFiles(const QString& folder) const override;
    QStringList listFolders(const QString& folder) const override;

    // Under %TEMP%, held while this object lives (WindowsTempFolders.h).
    QString makePrivateTempFolder(QString* error) override;

  private:
    std::map<QString, win_files::FileHandle> marks_;  // our temp folders and their held marks
};

}  // namespace vm
