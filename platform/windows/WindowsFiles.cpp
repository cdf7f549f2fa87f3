// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowsFiles.h"

namespace vm::win_files {

namespace {

// Beyond this the plain API refuses a folder (MAX_PATH less room for an 8.3 name).
constexpr qsizetype kPlainLimit = MAX_PATH - 12;

bool IsAbsolute(const QString& path) {
    const auto separator = [](QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); };
    const bool drive = path.size() >= 3 && path.at(0).isLetter() &&
                       path.at(1) == QLatin1Char(':') && separator(path.at(2));
    const bool network = path.size() >= 2 && separator(path.at(0)) && separator(path.at(1));
    return drive || network;
}

// A handle of FindFirstFileExW that closes itself.
struct FindHandle {
    HANDLE handle;
    ~FindHandle() {
        if (handle != INVALID_HANDLE_VALUE) {
            ::FindClose(handle);
        }
    }
};

}  // namespace

std::wstring WidePath(const QString& path) {
    std::wstring wide = path.toStdWString();
    if (path.size() < kPlainLimit || !IsAbsolute(path) ||
        path.startsWith(QLatin1String("\\\\?\\")) || path.startsWith(QLatin1String("//?/"))) {
        return wide;
    }
    // The "\\?\" form is taken literally: the full path with '\' and without "." or "..".
    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(needed, L'\0');
    const DWORD length =
        needed == 0 ? 0 : ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return wide;
    }
    full.resize(length);
    if (full.compare(0, 2, L"\\\\") == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
    }
    return L"\\\\?\\" + full;
}

QString SystemReason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString reason = length > 0 ? QString::fromWCharArray(text, length).simplified() : QString();
    ::LocalFree(text);
    if (reason.endsWith(QLatin1Char('.'))) {
        reason.chop(1);
    }
    return reason.isEmpty() ? QStringLiteral("Error %1").arg(error) : reason;
}

FileHandle OpenForAttributes(const QString& path, bool followLinks) {
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    return FileHandle(::CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, flags, nullptr));
}

bool InformationOf(HANDLE handle, BY_HANDLE_FILE_INFORMATION* info) {
    return handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle, info) != 0;
}

QString IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    const quint64 index = quint64(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return QStringLiteral("%1:%2").arg(quint64(info.dwVolumeSerialNumber)).arg(index);
}

bool ForEachEntry(const QString& folder, const std::function<void(const WIN32_FIND_DATAW&)>& each) {
    QString pattern = folder;
    if (!pattern.endsWith(QLatin1Char('/')) && !pattern.endsWith(QLatin1Char('\\'))) {
        pattern += QLatin1Char('/');
    }
    pattern += QLatin1Char('*');
    WIN32_FIND_DATAW entry;
    const FindHandle find{::FindFirstFileExW(WidePath(pattern).c_str(), FindExInfoBasic, &entry,
                                             FindExSearchNameMatch, nullptr,
                                             FIND_FIRST_EX_LARGE_FETCH)};
    if (find.handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    do {
        const std::wstring_view name(entry.cFileName);
        if (name != L"." && name != L"..") {
            each(entry);
        }
    } while (::FindNextFileW(find.handle, &entry));
    return true;
}

}  // namespace vm::win_files
