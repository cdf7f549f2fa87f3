// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "platform/paths/ReadablePath.h"

namespace vm {

class Dialogs;

// The Browse button of the output folder: shows the folder chooser and returns the text the
// output folder box gets, the chosen folder with a trailing separator. When the chooser is
// cancelled, the current text comes back unchanged.
QString BrowseOutputFolder(Dialogs& dialogs, const QString& current);

// The folder that the output folder box's text names. known is the path the box was last given
// (it shows ReadablePath(known, names)): as far as the text still shows known's parts, from the
// first on, they stand for known's own bytes; what the user typed beyond them is taken as
// typed. A known path that is valid UTF-8 shows as it is, so the text is the folder. The
// folder is given with '/', whichever separators the text has where the system has its own.
QString OutputFolderFromText(const QString& text, const QString& known, LegacyEncoding names);

}  // namespace vm
