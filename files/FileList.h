// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace vm {

class Dialogs;
struct MessageTable;

// What the file list operations need of the list box: its entries in order and the one
// selected entry. The window implements it over its list; tests with plain members.
class FileListView {
  public:
    virtual ~FileListView() = default;
    virtual int count() const = 0;
    virtual void append(const QString& path) = 0;
    // -1 when no entry is selected.
    virtual int selectedIndex() const = 0;
    // Removes the entry; afterwards no entry is selected.
    virtual void removeAt(int index) = 0;
    virtual void clear() = 0;
};

// The folder the open-file dialog starts in: the program folder without its trailing
// separator, except for the root folder.
QString DialogStartFolder(const QString& programFolder);

// The Add button: the chosen files are appended in the order the dialog returns them.
void AddFilesFromDialog(FileListView& list, Dialogs& dialogs, const QString& programFolder);

// True when the name's last four characters, upper-cased, are ".FLV".
bool IsFlvName(const QString& path);

// A drop onto the list: the local paths whose names end in ".flv" (any case) are appended.
void AddDroppedFiles(FileListView& list, const QStringList& localPaths);

// The Delete button: removes the selected entry, if any.
void DeleteSelectedFile(FileListView& list);

// The Clear button: asks (msg13, title3) unless the list is empty, and empties it on OK.
void ClearFileList(FileListView& list, Dialogs& dialogs, const MessageTable& messages);

}  // namespace vm
