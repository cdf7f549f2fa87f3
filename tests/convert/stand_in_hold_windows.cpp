// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include "StandInHold.h"

void HoldTarget(const std::string& path, const std::string& text) {
    // Left open on purpose: the system closes it, and with it deletes the file, at the end.
    const HANDLE held = CreateFileA(path.c_str(), GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    DWORD written = 0;
    if (held != INVALID_HANDLE_VALUE) {
        WriteFile(held, text.data(), DWORD(text.size()), &written, nullptr);
    }
}
