// SPDX-License-Identifier: GPL-3.0-or-later
// Texts for the log: printf-style formatting and making outside text safe to print.
#pragma once

#include <string>

namespace coder {

// printf-style formatting into a string of whatever length the result needs.
[[gnu::format(printf, 1, 2)]] std::string format(const char* fmt, ...);

// A file name in double quotes, for messages.
std::string quotedPath(const std::string& path);

// `text` as one line of the log: every control character (CR and LF included, C1 controls
// and the Unicode line and paragraph separators too) and every byte that is not part of
// valid UTF-8 is written as a backslash escape (\n, \r, \t, \xHH, \uHHHH), so that no
// outside text can end a line or start a new one.
std::string escapeForLog(const std::string& text);

}  // namespace coder
