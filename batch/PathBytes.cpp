// SPDX-License-Identifier: GPL-3.0-or-later
#include "PathBytes.h"

#include <QFile>

namespace vm {

QString PathFromBytes(const QByteArray& bytes) {
    return QFile::decodeName(bytes);
}

QByteArray PathToBytes(const QString& text) {
    return QFile::encodeName(text);
}

}  // namespace vm
