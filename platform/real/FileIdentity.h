// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>

#include <QString>

namespace vm {

// "device:inode": the same text for the same file, whatever name reaches it.
inline QString FileIdentityOf(const struct stat& st) {
    return QStringLiteral("%1:%2").arg(quint64(st.st_dev)).arg(quint64(st.st_ino));
}

}  // namespace vm
