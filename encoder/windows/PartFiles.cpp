// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartFiles.h"

#include <windows.h>

#include "PartNames.h"
#include "WideText.h"

namespace coder {

namespace {

// The longest name a Windows disk takes, in UTF-16 units; a UTF-8 name is never shorter in
// bytes than in those units, so keeping its bytes within it is safe.
constexpr size_t kNameMax = 255;

bool writerIsGone(DWORD pid) {
    if (pid == GetCurrentProcessId()) {
        return true;
    }
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) {
        return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
    }
    const bool gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
}

}  // namespace

std::string partNamePattern(const std::string& folder, const std::string& base) {
    return partNamePattern(folder, base, long(GetCurrentProcessId()), kNameMax);
}

void removeDeadParts(const std::string& folder) {
    const std::wstring where = wideText(folder);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((where + L"*.part").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const long writer = partWriter(utf8Text(found.cFileName, wcslen(found.cFileName)));
        if (writer > 0 && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            writerIsGone(DWORD(writer))) {
            // A writer that still runs holds the file open: deleting it fails.
            DeleteFileW((where + found.cFileName).c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace coder
