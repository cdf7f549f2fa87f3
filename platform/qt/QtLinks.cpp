// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtLinks.h"

#include <QDesktopServices>
#include <QUrl>

namespace vm {

void QtLinks::open(const QString& target) {
    // The result is of no interest: a link that cannot be opened has no visible effect.
    QDesktopServices::openUrl(QUrl(target));
}

}  // namespace vm
