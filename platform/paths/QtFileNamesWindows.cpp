// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtFileNames.h"

namespace vm {

// Windows names are UTF-16, and Qt reads them exactly: the path it gives names the file.
QStringList PathsQtReadsAs(const QString& path) {
    return {path};
}

}  // namespace vm
