// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemError.h"

#include <windows.h>

#include <cerrno>
#include <cstring>

#include "WideText.h"

namespace coder {

namespace {

// Not named by every SDK's headers.
constexpr DWORD kQuotaExceeded = 1295;

FileFault faultOf(DWORD code) {
    switch (code) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileFault::DiskFull;
        case kQuotaExceeded:
            return FileFault::QuotaUsed;
        case ERROR_FILE_TOO_LARGE:
            return FileFault::TooLarge;
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
            return FileFault::NoPermission;
        case ERROR_WRITE_PROTECT:
            return FileFault::ReadOnly;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
            return FileFault::Missing;
        case ERROR_DIRECTORY:
            return FileFault::NotAFolder;
        case ERROR_FILENAME_EXCED_RANGE:
            return FileFault::NameTooLong;
        case ERROR_CRC:
        case ERROR_IO_DEVICE:
        case ERROR_SECTOR_NOT_FOUND:
            return FileFault::DiskError;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return FileFault::Exists;
        default:
            return FileFault::Other;
    }
}

// The system's words for `code`, without the closing full stop and line end.
std::string wordsOf(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words = n && text ? std::wstring(text, n) : std::wstring();
    LocalFree(text);
    while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' ||
                              words.back() == L' ' || words.back() == L'.')) {
        words.pop_back();
    }
    return words.empty() ? "system error " + std::to_string(code) : utf8Text(words);
}

}  // namespace

SystemError systemError(int code) {
    return {faultOf(DWORD(code)), wordsOf(DWORD(code)), 0};
}

SystemError lastSystemError() {
    return systemError(int(GetLastError()));
}

SystemError errnoError(int err) {
    return {errnoFault(err), std::strerror(err), 0};
}

}  // namespace coder
