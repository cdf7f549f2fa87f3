// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of the cmd.exe script. cmd reads a batch file's lines in the console's code page,
// which starts as the system's OEM code page: a line whose every character that page holds is
// written in it, alone, as the line. Any other line (a name in a script the OEM page lacks)
// is written in UTF-8, after a line that switches the script's console to UTF-8 (65001). The
// console is the script's own (hidden, CREATE_NO_WINDOW), so nobody else's is changed.
#include <windows.h>

#include "platform/ScriptLine.h"

namespace vm {

namespace {

// The text in the OEM code page, or empty when a character has no exact form there.
QByteArray oemBytes(const QString& text) {
    const auto wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int length = int(text.size());
    const UINT page = GetOEMCP();
    // UTF-7/8 and other pages refuse the flags below, and could not say what they lost.
    if (length == 0 || page == CP_UTF8) {
        return text.toUtf8();
    }
    const int size =
        WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    QByteArray bytes(size, Qt::Uninitialized);
    BOOL lost = FALSE;
    if (WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), size, nullptr,
                            &lost) != size ||
        lost) {
        return {};
    }
    return bytes;
}

}  // namespace

QByteArray ScriptFileText(const QString& line) {
    const QByteArray oem = oemBytes(line);
    if (!oem.isEmpty() || line.isEmpty()) {
        return oem + "\r\n";
    }
    return "@chcp 65001>nul\r\n" + line.toUtf8() + "\r\n";
}

}  // namespace vm
