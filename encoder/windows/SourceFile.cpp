// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceFile.h"

#include <windows.h>

#include "FileHandles.h"
#include "WideText.h"

namespace coder {

SourceCheck checkSource(const std::string& path) {
    SourceCheck check;
    const std::wstring name = wideText(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD e = GetLastError();
        check.kind = e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? SourceCheck::Missing
                     : e == ERROR_ACCESS_DENIED ? SourceCheck::NoPermission
                                                : SourceCheck::Unopenable;
        check.detail = systemError(int(e)).detail;
        return check;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        check.kind = SourceCheck::Folder;
        return check;
    }
    check.kind = data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE ? SourceCheck::NotRegular
                                                               : SourceCheck::Regular;
    check.size = int64_t(uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
    if (const auto id = identityAt(name)) {
        check.identity = *id;
    }
    return check;
}

int readHead(const std::string& path, unsigned char* head, int size) {
    HANDLE h = CreateFileW(wideText(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return -1;
    }
    DWORD n = 0;
    const bool ok = ReadFile(h, head, DWORD(size), &n, nullptr);
    CloseHandle(h);
    return ok ? int(n) : -1;
}

}  // namespace coder
