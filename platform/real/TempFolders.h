// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vm {

// The private temp folders of running copies of the program: "vidmorf-XXXXXX" under
// $XDG_RUNTIME_DIR (else /tmp), mode 0700. A copy holds a lock (flock) on its folder for as
// long as it uses it, so a folder whose lock is free has been left behind by a copy that no
// longer runs, whatever the way it ended.

// The folder the temp folders are made in, without a trailing '/'.
std::string TempFoldersBase();

// Makes a new temp folder and locks it. Returns its path (no trailing '/') with the lock's
// descriptor in *lock (close it to give the folder up), or an empty path with errno set.
std::string MakeLockedTempFolder(int* lock);

// Removes every temp folder of this user that no running copy holds: the files in it, then
// the folder. Anything else (another user's folder, a link, a folder with sub-folders) stays.
// Uses only system calls, so it may run in a child that was forked from a running program.
void RemoveAbandonedTempFolders();

}  // namespace vm
