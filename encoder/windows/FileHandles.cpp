// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileHandles.h"

namespace coder {

FileIdentity identityIn(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber, uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

std::optional<FileIdentity> identityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) {
        return std::nullopt;
    }
    return identityIn(info);
}

std::optional<FileIdentity> identityAt(const std::wstring& name) {
    // Asking no access opens what another program holds open, and a folder with the flag.
    HANDLE h = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    auto id = identityOf(h);
    const DWORD error = GetLastError();
    CloseHandle(h);
    SetLastError(error);
    return id;
}

}  // namespace coder
