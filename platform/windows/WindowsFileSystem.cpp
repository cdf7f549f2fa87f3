// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowsFileSystem.h"

#include <algorithm>
#include <array>

#include "WindowsTempFolders.h"

namespace vm {

using win_files::FileHandle;
using win_files::SystemReason;
using win_files::WidePath;

namespace {

constexpr qsizetype kNameLimit = 255;  // UTF-16 units in one part of a path
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The information of what path names, links followed.
bool Information(const QString& path, BY_HANDLE_FILE_INFORMATION* info) {
    const FileHandle handle = win_files::OpenForAttributes(path);
    return win_files::InformationOf(handle.get(), info) &&
           ::GetFileType(handle.get()) == FILE_TYPE_DISK;
}

bool IsFolder(const BY_HANDLE_FILE_INFORMATION& info) {
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The device that a name stands for, whatever its extension ("nul.txt" is NUL); empty when
// it is none.
QString DeviceNamed(const QString& name) {
    static const QStringList devices = {QStringLiteral("CON"), QStringLiteral("PRN"),
                                        QStringLiteral("AUX"), QStringLiteral("NUL")};
    const QString stem = name.left(name.indexOf(QLatin1Char('.'))).trimmed().toUpper();
    if (devices.contains(stem)) {
        return stem;
    }
    const bool numbered = stem.size() == 4 && (stem.startsWith(QLatin1String("COM")) ||
                                               stem.startsWith(QLatin1String("LPT")));
    // Windows takes the superscript digits too.
    return numbered && QStringView(u"123456789\u00B9\u00B2\u00B3").contains(stem.at(3)) ? stem
                                                                                        : QString();
}

// The non-hidden, non-system entries of a folder that pass, sorted.
QStringList ListNames(const QString& folder, bool folders) {
    QStringList names;
    win_files::ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
        const DWORD attributes = entry.dwFileAttributes;
        if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
            return;
        }
        const QString name = QString::fromWCharArray(entry.cFileName);
        const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (folders) {
            if (isFolder && !isLink) {  // a link's tree is walked where it lies, or never
                names.append(name);
            }
            return;
        }
        BY_HANDLE_FILE_INFORMATION info;
        // A link to a file counts as the file, as on POSIX; a link that leads nowhere does not.
        if (!isFolder && (!isLink || (Information(folder + QLatin1Char('/') + name, &info) &&
                                      !IsFolder(info)))) {
            names.append(name);
        }
    });
    // Case-insensitive order; names that differ only in case keep a fixed order among them.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QString LastError() {
    return SystemReason(::GetLastError());
}

}  // namespace

bool WindowsFileSystem::exists(const QString& path) const {
    WIN32_FILE_ATTRIBUTE_DATA data;
    // Links are not followed: a link counts as something of that name even when it leads
    // nowhere.
    return !path.isEmpty() &&
           ::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data) != 0;
}

bool WindowsFileSystem::isFile(const QString& path) const {
    BY_HANDLE_FILE_INFORMATION info;
    return Information(path, &info) && !IsFolder(info);
}

bool WindowsFileSystem::isDir(const QString& path) const {
    BY_HANDLE_FILE_INFORMATION info;
    return Information(path, &info) && IsFolder(info);
}

qint64 WindowsFileSystem::fileSize(const QString& path) const {
    BY_HANDLE_FILE_INFORMATION info;
    if (!Information(path, &info) || IsFolder(info)) {
        return -1;
    }
    return qint64(quint64(info.nFileSizeHigh) << 32 | info.nFileSizeLow);
}

bool WindowsFileSystem::sameFile(const QString& a, const QString& b) const {
    const QString identity = fileIdentity(a);
    return !identity.isEmpty() && identity == fileIdentity(b);
}

QString WindowsFileSystem::fileIdentity(const QString& path) const {
    BY_HANDLE_FILE_INFORMATION info;
    return Information(path, &info) ? win_files::IdentityOf(info) : QString();
}

QString WindowsFileSystem::nameProblem(const QString& path) const {
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString name = path.mid(cut + 1);
    for (const QChar c : name) {
        if (c.unicode() < 0x20) {
            return QStringLiteral("Windows does not allow control characters in a name");
        }
        if (QStringView(u"<>:\"|?*").contains(c)) {
            return QStringLiteral("Windows does not allow the character %1 in a name").arg(c);
        }
    }
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' '))) {
        return QStringLiteral("Windows does not allow a name to end in a dot or a blank");
    }
    const QString device = DeviceNamed(name);
    if (!device.isEmpty()) {
        return QStringLiteral("Windows keeps the name %1 for a device, with any extension")
            .arg(device);
    }
    return name.size() > kNameLimit ? SystemReason(ERROR_FILENAME_EXCED_RANGE) : QString();
}

QString WindowsFileSystem::replaceProblem(const QString& path) const {
    // Asking for the right to delete is what deleting needs, and it also fails while another
    // program has the file open without sharing its deletion.
    const FileHandle file(::CreateFileW(WidePath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                        kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.valid() || !win_files::InformationOf(file.get(), &info)) {
        return LastError();
    }
    // A read-only file cannot be deleted, whatever the rights.
    return (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? SystemReason(ERROR_ACCESS_DENIED)
                                                             : QString();
}

QString WindowsFileSystem::removeFile(const QString& path) {
    if (path.isEmpty()) {
        return SystemReason(ERROR_FILE_NOT_FOUND);
    }
    if (!::DeleteFileW(WidePath(path).c_str())) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            return SystemReason(error);
        }
    }
    return {};
}

QString WindowsFileSystem::makeDir(const QString& path) {
    if (path.isEmpty()) {
        return SystemReason(ERROR_PATH_NOT_FOUND);
    }
    return ::CreateDirectoryW(WidePath(path).c_str(), nullptr) ? QString() : LastError();
}

QString WindowsFileSystem::removeEmptyDir(const QString& path) {
    if (path.isEmpty()) {
        return SystemReason(ERROR_PATH_NOT_FOUND);
    }
    // Our own temp folder goes with its mark, and is given up with it.
    QString key = path;
    key.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const auto held = marks_.find(key.endsWith(QLatin1Char('/')) ? key : key + QLatin1Char('/'));
    if (held == marks_.end()) {
        return ::RemoveDirectoryW(WidePath(path).c_str()) ? QString() : LastError();
    }
    if (const DWORD error = RemoveOwnTempFolder(held->first, &held->second)) {
        return SystemReason(error);
    }
    marks_.erase(held);
    return {};
}

QString WindowsFileSystem::writeFile(const QString& path, const QByteArray& data) {
    if (path.isEmpty()) {
        return SystemReason(ERROR_PATH_NOT_FOUND);
    }
    const FileHandle file(::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                        nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return LastError();
    }
    for (qsizetype done = 0; done < data.size();) {
        const DWORD chunk = DWORD(std::min<qsizetype>(data.size() - done, 1 << 20));
        DWORD written = 0;
        if (!::WriteFile(file.get(), data.constData() + done, chunk, &written, nullptr)) {
            return LastError();
        }
        done += written;
    }
    return {};
}

QByteArray WindowsFileSystem::readFrom(const QString& path, qint64 offset, bool* ok) const {
    if (ok) {
        *ok = false;
    }
    if (path.isEmpty()) {
        return {};
    }
    const FileHandle file(::CreateFileW(WidePath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER at;
    at.QuadPart = std::max<qint64>(offset, 0);
    if (!file.valid() || !::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) {
        return {};
    }
    QByteArray result;
    std::array<char, 65536> buffer;
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer.data(), DWORD(buffer.size()), &read, nullptr) &&
           read > 0) {
        result.append(buffer.data(), qsizetype(read));
    }
    if (ok) {
        *ok = true;
    }
    return result;
}

QStringList WindowsFileSystem::listFiles(const QString& folder) const {
    return ListNames(folder, false);
}

QStringList WindowsFileSystem::listFolders(const QString& folder) const {
    return ListNames(folder, true);
}

QString WindowsFileSystem::makePrivateTempFolder(QString* error) {
    FileHandle mark;
    DWORD failure = 0;
    const QString folder = MakeHeldTempFolder(&mark, &failure);
    if (folder.isEmpty()) {
        if (error) {
            *error = TempFoldersBase() + QStringLiteral(": ") + SystemReason(failure);
        }
        return {};
    }
    const QString path = folder + QLatin1Char('/');
    marks_[path] = std::move(mark);
    if (error) {
        error->clear();
    }
    return path;
}

}  // namespace vm
