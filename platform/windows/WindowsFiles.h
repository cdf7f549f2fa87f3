// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the Windows back ends of files share: handles that close themselves, paths as the wide
// API takes them, the system's words for an error, a file's identity.

#include <windows.h>

#include <QString>
#include <functional>
#include <string>

namespace vm::win_files {

// A handle of CreateFileW (INVALID_HANDLE_VALUE when none) that closes itself.
class FileHandle {
  public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(FileHandle&& other) noexcept : handle_(other.release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { reset(); }

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE release() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (valid()) {
            ::CloseHandle(handle_);
        }
        handle_ = handle;
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// The path as the wide API takes it. '/' serves as well as '\'; an absolute path too long for
// the plain API (MAX_PATH, less for a folder) gets the "\\?\" form, which has no such limit.
std::wstring WidePath(const QString& path);

// The system's words for an error code, as one line without the closing full stop.
QString SystemReason(DWORD error);

// Opens what path names for its attributes alone, which no other opener's sharing refuses:
// a file or a folder, links followed unless followLinks is false.
FileHandle OpenForAttributes(const QString& path, bool followLinks = true);

// The file's information; false when the handle gives none.
bool InformationOf(HANDLE handle, BY_HANDLE_FILE_INFORMATION* info);

// "volumeSerial:fileIndex": the same text for the same file, whatever name reaches it.
QString IdentityOf(const BY_HANDLE_FILE_INFORMATION& info);

// Calls each with every entry of a folder but "." and ".."; false when the folder cannot be
// listed.
bool ForEachEntry(const QString& folder, const std::function<void(const WIN32_FIND_DATAW&)>& each);

}  // namespace vm::win_files
