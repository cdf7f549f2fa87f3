// SPDX-License-Identifier: GPL-3.0-or-later
// Windows names are UTF-16; the encoder keeps every text in UTF-8, as its log is written.
#pragma once

#include <string>

namespace coder {

std::wstring wideText(const std::string& utf8);
std::string utf8Text(const wchar_t* wide, size_t length);
inline std::string utf8Text(const std::wstring& wide) {
    return utf8Text(wide.data(), wide.size());
}

}  // namespace coder
