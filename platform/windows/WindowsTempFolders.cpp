// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowsTempFolders.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QStringList>

#include "contract/EncoderContract.h"

namespace vm {

using win_files::FileHandle;
using win_files::WidePath;

namespace {

constexpr QLatin1String kPrefix("vidmorf-temp-");
constexpr qsizetype kRandomLength = 6;
constexpr QLatin1String kMark(".vidmorf-temp");
constexpr int kAttempts = 8;

// What a job leaves in the folder; nothing else is ever removed from it.
QStringList JobFiles() {
    return {
        QString::fromUtf8(contract::kScriptFile.data(), qsizetype(contract::kScriptFile.size())),
        QString::fromUtf8(contract::kLogFile.data(), qsizetype(contract::kLogFile.size()))};
}

bool HasOurName(const QString& name) {
    if (!name.startsWith(kPrefix) || name.size() != kPrefix.size() + kRandomLength) {
        return false;
    }
    for (const QChar c : QStringView(name).mid(kPrefix.size())) {
        if (c.unicode() >= 0x80 || !c.isLetterOrNumber()) {
            return false;
        }
    }
    return true;
}

QString RandomName() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = kPrefix;
    for (qsizetype i = 0; i < kRandomLength; ++i) {
        name +=
            QLatin1Char(kLetters[QRandomGenerator::system()->bounded(int(sizeof kLetters - 1))]);
    }
    return name;
}

// The mark's text for the folder: it can only have been written into that very folder.
QByteArray MarkText(const BY_HANDLE_FILE_INFORMATION& folder) {
    return "vidmorf temp folder " + win_files::IdentityOf(folder).toLatin1() + "\n";
}

// The folder itself (not a link) and its information.
bool OpenFolder(const QString& path, BY_HANDLE_FILE_INFORMATION* info) {
    const FileHandle folder = win_files::OpenForAttributes(path, false);
    return win_files::InformationOf(folder.get(), info) &&
           (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(info->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Opens the mark for reading and deleting, sharing only its reading: this fails while a
// running copy holds it, and keeps others from taking it meanwhile.
FileHandle OpenMark(const QString& folder, DWORD access, DWORD disposition) {
    return FileHandle(::CreateFileW(WidePath(folder + QLatin1Char('/') + kMark).c_str(),
                                    access | DELETE, FILE_SHARE_READ, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// The mark (open) is an ordinary file of one name that names the folder.
bool CarriesOurMark(HANDLE mark, const BY_HANDLE_FILE_INFORMATION& folder) {
    BY_HANDLE_FILE_INFORMATION info;
    const QByteArray expected = MarkText(folder);
    if (!win_files::InformationOf(mark, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        info.nNumberOfLinks != 1 || info.nFileSizeHigh != 0 ||
        info.nFileSizeLow != DWORD(expected.size())) {
        return false;
    }
    QByteArray text(expected.size(), '\0');
    DWORD read = 0;
    return ::ReadFile(mark, text.data(), DWORD(text.size()), &read, nullptr) &&
           read == DWORD(text.size()) && text == expected;
}

// The folder holds nothing but the job's files (not as folders) and the mark.
bool HoldsOnlyOurs(const QString& folder) {
    const QStringList jobFiles = JobFiles();
    bool only = true;
    const bool listed = win_files::ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
        const QString name = QString::fromWCharArray(entry.cFileName);
        const bool folderEntry = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (name.compare(kMark, Qt::CaseInsensitive) != 0 &&
            (folderEntry || !jobFiles.contains(name, Qt::CaseInsensitive))) {
            only = false;
        }
    });
    return listed && only;
}

// Removes the folder, whose mark is open as *mark with the right to delete it, if it holds
// only what a job of ours leaves there. 0 or the system's error code.
DWORD RemoveMarked(const QString& folder, FileHandle* mark) {
    if (!HoldsOnlyOurs(folder)) {
        return ERROR_DIR_NOT_EMPTY;
    }
    for (const QString& file : JobFiles()) {
        const std::wstring path = WidePath(folder + QLatin1Char('/') + file);
        if (!::DeleteFileW(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
            return ::GetLastError();
        }
    }
    // The mark goes when its last handle closes: ours.
    FILE_DISPOSITION_INFO dispose{TRUE};
    if (!::SetFileInformationByHandle(mark->get(), FileDispositionInfo, &dispose, sizeof dispose)) {
        return ::GetLastError();
    }
    mark->reset();
    return ::RemoveDirectoryW(WidePath(folder).c_str()) ? 0 : ::GetLastError();
}

}  // namespace

QString TempFoldersBase() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    QString base = length == 0 || length > MAX_PATH ? QStringLiteral("C:/Windows/Temp")
                                                    : QString::fromWCharArray(buffer, length);
    base.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (base.size() > 3 && base.endsWith(QLatin1Char('/'))) {
        base.chop(1);
    }
    return base;
}

QString MakeHeldTempFolder(FileHandle* mark, unsigned long* error) {
    const QString base = TempFoldersBase();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const QString path = base + QLatin1Char('/') + RandomName();
        if (!::CreateDirectoryW(WidePath(path).c_str(), nullptr)) {
            *error = ::GetLastError();
            if (*error == ERROR_ALREADY_EXISTS) {
                continue;
            }
            return {};
        }
        // Unmarked, the folder is nobody's to remove until the mark is written and held.
        BY_HANDLE_FILE_INFORMATION folder;
        FileHandle held = OpenMark(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
        const QByteArray text = OpenFolder(path, &folder) ? MarkText(folder) : QByteArray();
        DWORD written = 0;
        if (held.valid() && !text.isEmpty() &&
            ::WriteFile(held.get(), text.constData(), DWORD(text.size()), &written, nullptr) &&
            written == DWORD(text.size())) {
            *mark = std::move(held);
            return path;
        }
        *error = ::GetLastError();
        if (held.valid()) {
            FILE_DISPOSITION_INFO dispose{TRUE};
            ::SetFileInformationByHandle(held.get(), FileDispositionInfo, &dispose, sizeof dispose);
            held.reset();
        }
        ::RemoveDirectoryW(WidePath(path).c_str());
        return {};
    }
    *error = ERROR_ALREADY_EXISTS;
    return {};
}

unsigned long RemoveOwnTempFolder(const QString& path, FileHandle* mark) {
    QString folder = path;
    while (folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    return RemoveMarked(folder, mark);
}

void RemoveAbandonedTempFolders() {
    const QString base = TempFoldersBase();
    QStringList candidates;
    win_files::ForEachEntry(base, [&](const WIN32_FIND_DATAW& entry) {
        const QString name = QString::fromWCharArray(entry.cFileName);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && HasOurName(name)) {
            candidates.append(base + QLatin1Char('/') + name);
        }
    });
    for (const QString& folder : std::as_const(candidates)) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!OpenFolder(folder, &info)) {
            continue;
        }
        FileHandle mark = OpenMark(folder, GENERIC_READ, OPEN_EXISTING);
        if (mark.valid() && CarriesOurMark(mark.get(), info)) {
            RemoveMarked(folder, &mark);
        }
    }
}

}  // namespace vm
