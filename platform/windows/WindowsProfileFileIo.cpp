// SPDX-License-Identifier: GPL-3.0-or-later
// Profile files through the wide Win32 API.
#include <QRandomGenerator>

#include "platform/real/ProfileFileIo.h"
#include "platform/windows/WindowsFiles.h"

namespace vm::profile_io {

using win_files::FileHandle;
using win_files::WidePath;

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// What the replacement takes over of the original's attributes (read-only is never written).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// An ordinary file on a disk, open for reading; anything else counts as missing.
FileHandle OpenToRead(const QString& path, BY_HANDLE_FILE_INFORMATION* info) {
    FileHandle file(::CreateFileW(WidePath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || ::GetFileType(file.get()) != FILE_TYPE_DISK ||
        !win_files::InformationOf(file.get(), info) ||
        (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return {};
    }
    return file;
}

bool ReadAll(HANDLE file, std::string* data) {
    char buffer[65536];
    DWORD read = 0;
    for (;;) {
        if (!::ReadFile(file, buffer, sizeof buffer, &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            return true;
        }
        data->append(buffer, read);
    }
}

bool WriteAll(HANDLE file, const std::string& data) {
    for (std::size_t done = 0; done < data.size();) {
        const DWORD chunk = DWORD(std::min<std::size_t>(data.size() - done, 1 << 20));
        DWORD written = 0;
        if (!::WriteFile(file, data.data() + done, chunk, &written, nullptr)) {
            return false;
        }
        done += written;
    }
    return true;
}

// The path that the open file has, links resolved ("\\?\C:\..."); empty when unknown.
QString FinalPath(HANDLE file) {
    const DWORD needed = ::GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
    std::wstring path(needed, L'\0');
    const DWORD length =
        needed == 0 ? 0
                    : ::GetFinalPathNameByHandleW(file, path.data(), needed, FILE_NAME_NORMALIZED);
    return length == 0 || length >= needed ? QString()
                                           : QString::fromWCharArray(path.data(), length);
}

// Replaces target with data: a temporary file in the same folder, flushed, put in its place.
void ReplaceAtomically(const QString& target, const std::string& data, DWORD attributes) {
    const qsizetype slash = target.lastIndexOf(QLatin1Char('\\'));
    // Ending in six random letters or digits, never in ".INI".
    QString temp =
        target.left(slash + 1) + QLatin1Char('.') + target.mid(slash + 1) + QLatin1Char('.');
    for (int i = 0; i < 6; ++i) {
        temp += QLatin1Char(
            "abcdefghijklmnopqrstuvwxyz0123456789"[QRandomGenerator::system()->bounded(36)]);
    }
    const std::wstring tempName = temp.toStdWString();
    FileHandle file(::CreateFileW(tempName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  (attributes & kKeptAttributes) | FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return;
    }
    const bool written = WriteAll(file.get(), data) && ::FlushFileBuffers(file.get());
    file.reset();
    const std::wstring targetName = target.toStdWString();
    // ReplaceFileW keeps the original's access list, times and streams; where the file system
    // cannot (some network shares), a rename over it does the same atomically.
    if (!written || (!::ReplaceFileW(targetName.c_str(), tempName.c_str(), nullptr,
                                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) &&
                     !::MoveFileExW(tempName.c_str(), targetName.c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))) {
        ::DeleteFileW(tempName.c_str());
    }
}

}  // namespace

std::optional<std::string> ReadWhole(const QString& path) {
    BY_HANDLE_FILE_INFORMATION info;
    const FileHandle file = OpenToRead(path, &info);
    std::string data;
    if (!file.valid() || !ReadAll(file.get(), &data)) {
        return std::nullopt;
    }
    return data;
}

void Rewrite(const QString& path, const Edit& edit) {
    BY_HANDLE_FILE_INFORMATION info;
    std::string data;
    QString target;
    {
        const FileHandle file = OpenToRead(path, &info);  // a missing file is not created
        if (!file.valid() || (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
            return;  // read-only: keeps its old contents silently
        }
        // Write through a link to the file it names, so that the link stays a link.
        target = FinalPath(file.get());
        if (target.isEmpty() || !ReadAll(file.get(), &data)) {
            return;
        }
    }
    if (const std::optional<std::string> edited = edit(data)) {
        ReplaceAtomically(target, *edited, info.dwFileAttributes);
    }
}

}  // namespace vm::profile_io
