// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "platform/windows/WindowsFiles.h"

namespace vm {

// The private temp folders of running copies of the program: "vidmorf-temp-XXXXXX" under the
// user's %TEMP%. A copy holds its folder by an open handle to the mark file ".vidmorf-temp"
// inside it, opened without sharing its deletion: while the copy runs nobody can delete the
// mark, and once the copy has ended, however it ended, the system has closed the handle.
//
// A folder counts as ours only with every mark together: the name, a folder (no link), and a
// mark that may be deleted and names the folder's own identity (so that neither a folder of
// the user's nor a copy of one of ours passes). Of such a folder only the script, the log and
// the mark are ever removed, and only when nothing else is in it; then the folder itself.
//
// No access list is built: a new folder takes that of %TEMP%, which Windows makes private to
// the user (the user, the system and the administrators), and %TEMP% is the user's own, so
// its folders need no owner check either.

// The folder the temp folders are made in, with '/' and without a trailing '/'.
QString TempFoldersBase();

// Makes a new temp folder, marks it and holds it. Returns its path (no trailing '/') with the
// held mark in *mark (close it to give the folder up), or an empty path with the system's
// error code in *error.
QString MakeHeldTempFolder(win_files::FileHandle* mark, unsigned long* error);

// Removes a temp folder of ours that this process holds by *mark, as an abandoned one is
// removed; the mark is closed when it goes. 0, or the system's error code.
unsigned long RemoveOwnTempFolder(const QString& path, win_files::FileHandle* mark);

// Removes every temp folder of this user that no running copy holds (see above).
void RemoveAbandonedTempFolders();

}  // namespace vm
