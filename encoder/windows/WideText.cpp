// SPDX-License-Identifier: GPL-3.0-or-later
#include "WideText.h"

#include <windows.h>

namespace coder {

std::wstring wideText(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
    }
    return wide;
}

std::string utf8Text(const wchar_t* wide, size_t length) {
    if (length == 0) {
        return {};
    }
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, int(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide, int(length), utf8.data(), n, nullptr, nullptr);
    }
    return utf8;
}

}  // namespace coder
