// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace vm {

// Qt's file dialogs read names as UTF-8 and give each byte that is not UTF-8 as U+FFFD, so
// such a file comes back under a name that does not exist. The existing paths (at most a few
// dozen, in listing order) whose names Qt reads as the given path; several when their names
// differ only in such bytes, since the dialog showed them as one. A path without U+FFFD, or
// one that matches nothing, comes back as it is.
QStringList PathsQtReadsAs(const QString& path);

}  // namespace vm
