// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vm {

// The private temp folders of running copies of the program: "vidmorf-temp-XXXXXX" under
// $XDG_RUNTIME_DIR (else /tmp), mode 0700. A copy holds a lock (flock) on its folder for as
// long as it uses it, so a folder whose lock is free has been left behind by a copy that no
// longer runs, whatever the way it ended.
//
// A folder counts as ours only with every mark together: the name, this user as its owner,
// mode 0700, a free lock, and the file ".vidmorf-temp" inside it that names the folder's own
// device and inode (so that neither a folder of the user's nor a copy of one of ours passes).
// Of such a folder only the script, the log and the mark are ever removed, and only when
// nothing else is in it.

// The folder the temp folders are made in, without a trailing '/'.
std::string TempFoldersBase();

// Makes a new temp folder, locks and marks it. Returns its path (no trailing '/') with the
// lock's descriptor in *lock (close it to give the folder up), or an empty path with errno set.
std::string MakeLockedTempFolder(int* lock);

// Removes a temp folder of ours that this process holds (lock is its descriptor), once the
// script and the log are gone: the mark, then the folder. 0, or the errno of the failure.
int RemoveOwnTempFolder(const std::string& path, int lock);

// Removes every temp folder of this user that no running copy holds (see above). Uses only
// system calls, so it may run in a child that was forked from a running program.
void RemoveAbandonedTempFolders();

}  // namespace vm
