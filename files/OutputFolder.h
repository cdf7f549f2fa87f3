// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

class Dialogs;

// The Browse button of the output folder: shows the folder chooser and returns the text the
// output folder box gets, the chosen folder with a trailing separator. When the chooser is
// cancelled, the current text comes back unchanged.
QString BrowseOutputFolder(Dialogs& dialogs, const QString& current);

}  // namespace vm
