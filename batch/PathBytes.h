// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace vm {

// Names as the system hands them over (the command line, the working folder) are bytes, and
// so is everything the batch program prints. These two are the one place where it turns such
// bytes into the text the logic works with and back: switch them to the byte-preserving pair
// and every name the program reads or prints follows.
QString PathFromBytes(const QByteArray& bytes);
QByteArray PathToBytes(const QString& text);

}  // namespace vm
