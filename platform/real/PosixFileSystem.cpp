// SPDX-License-Identifier: GPL-3.0-or-later
#include "PosixFileSystem.h"

#include "FileIdentity.h"
#include "TempFolders.h"
#include "platform/paths/PathBytes.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace vm {

namespace {

QByteArray native(const QString& path) {
    return PathToBytes(path);
}

QString reason(int err) {
    return SystemText(std::strerror(err));
}

bool statPath(const QString& path, struct stat* st) {
    const QByteArray name = native(path);
    return !name.isEmpty() && ::stat(name.constData(), st) == 0;
}

// The non-hidden entries of a folder whose type (fstatat with statFlags) is type, sorted.
QStringList listNames(const QString& folder, int statFlags, mode_t type) {
    QStringList names;
    const QByteArray dirName = native(folder);
    DIR* dir = dirName.isEmpty() ? nullptr : ::opendir(dirName.constData());
    if (!dir) {
        return names;
    }
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, statFlags) == 0 && (st.st_mode & S_IFMT) == type) {
            names.append(PathFromBytes(entry->d_name));
        }
    }
    ::closedir(dir);
    // Case-insensitive order; names that differ only in case keep a fixed order among them.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

}  // namespace

bool PosixFileSystem::exists(const QString& path) const {
    struct stat st;
    const QByteArray name = native(path);
    // lstat: a link counts as something of that name even when it leads nowhere.
    return !name.isEmpty() && ::lstat(name.constData(), &st) == 0;
}

bool PosixFileSystem::isFile(const QString& path) const {
    struct stat st;
    return statPath(path, &st) && S_ISREG(st.st_mode);
}

bool PosixFileSystem::isDir(const QString& path) const {
    struct stat st;
    return statPath(path, &st) && S_ISDIR(st.st_mode);
}

qint64 PosixFileSystem::fileSize(const QString& path) const {
    struct stat st;
    if (!statPath(path, &st) || !S_ISREG(st.st_mode)) {
        return -1;
    }
    return qint64(st.st_size);
}

bool PosixFileSystem::sameFile(const QString& a, const QString& b) const {
    struct stat sa;
    struct stat sb;
    return statPath(a, &sa) && statPath(b, &sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString PosixFileSystem::fileIdentity(const QString& path) const {
    struct stat st;
    return statPath(path, &st) ? FileIdentityOf(st) : QString();
}

QString PosixFileSystem::nameProblem(const QString& path) const {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QByteArray name = native(path.mid(slash + 1));
    QByteArray folder = slash < 0 ? QByteArray(".") : native(path.left(slash + 1));
    long limit = -1;
    for (;;) {
        limit = ::pathconf(folder.constData(), _PC_NAME_MAX);
        if (limit >= 0 || folder == "/" || folder == ".") {
            break;
        }
        // A folder that does not exist yet: ask the one above it.
        const qsizetype up = folder.left(folder.size() - 1).lastIndexOf('/');
        folder = up < 0 ? QByteArray(".") : folder.left(up + 1);
    }
    if (limit < 0) {
        limit = NAME_MAX;
    }
    return name.size() > limit ? reason(ENAMETOOLONG) : QString();
}

QString PosixFileSystem::replaceProblem(const QString& path) const {
    const QByteArray name = native(path);
    char* resolved = name.isEmpty() ? nullptr : ::realpath(name.constData(), nullptr);
    if (!resolved) {
        return reason(name.isEmpty() ? ENOENT : errno);
    }
    const QByteArray file(resolved);
    std::free(resolved);
    const QByteArray folder = file.left(file.lastIndexOf('/') + 1);
    struct stat dir;
    struct stat st;
    if (::stat(folder.constData(), &dir) != 0 || ::stat(file.constData(), &st) != 0) {
        return reason(errno);
    }
    // Write and search permission on the folder, which also fails on a read-only disk.
    if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0) {
        return reason(errno);
    }
    // In a folder with the sticky bit (as /tmp) only the owner of the file or of the folder
    // may replace it.
    const uid_t me = ::geteuid();
    if ((dir.st_mode & S_ISVTX) && me != 0 && st.st_uid != me && dir.st_uid != me) {
        return reason(EPERM);
    }
    // Nor may anybody replace a file marked immutable or append-only.
    const int fd = ::open(file.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        int flags = 0;
        const bool fixed = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                           (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
        ::close(fd);
        if (fixed) {
            return reason(EPERM);
        }
    }
    return {};
}

QString PosixFileSystem::removeFile(const QString& path) {
    const QByteArray name = native(path);
    if (name.isEmpty()) {
        return reason(ENOENT);
    }
    if (::unlink(name.constData()) != 0 && errno != ENOENT) {
        return reason(errno);
    }
    return {};
}

QString PosixFileSystem::makeDir(const QString& path) {
    const QByteArray name = native(path);
    if (name.isEmpty()) {
        return reason(ENOENT);
    }
    if (::mkdir(name.constData(), 0777) != 0) {
        return reason(errno);
    }
    return {};
}

QString PosixFileSystem::removeEmptyDir(const QString& path) {
    const QByteArray name = native(path);
    if (name.isEmpty()) {
        return reason(ENOENT);
    }
    // Our own temp folder goes with its mark, and is given up with it.
    const auto held = locks_.find(path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/'));
    if (held == locks_.end()) {
        return ::rmdir(name.constData()) == 0 ? QString() : reason(errno);
    }
    QByteArray folder = name;
    while (folder.size() > 1 && folder.endsWith('/')) {
        folder.chop(1);
    }
    if (const int err = RemoveOwnTempFolder(folder.toStdString(), held->second)) {
        return reason(err);
    }
    ::close(held->second);
    locks_.erase(held);
    return {};
}

QString PosixFileSystem::writeFile(const QString& path, const QByteArray& data) {
    const QByteArray name = native(path);
    if (name.isEmpty()) {
        return reason(ENOENT);
    }
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return reason(errno);
    }
    const char* p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int err = errno;
            ::close(fd);
            return reason(err);
        }
        p += n;
        left -= n;
    }
    if (::close(fd) != 0) {
        return reason(errno);
    }
    return {};
}

QByteArray PosixFileSystem::readFrom(const QString& path, qint64 offset, bool* ok) const {
    if (ok) {
        *ok = false;
    }
    const QByteArray name = native(path);
    if (name.isEmpty()) {
        return {};
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    QByteArray result;
    char buffer[65536];
    qint64 at = std::max<qint64>(offset, 0);
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, off_t(at));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        result.append(buffer, qsizetype(n));
        at += n;
    }
    ::close(fd);
    if (ok) {
        *ok = true;
    }
    return result;
}

QStringList PosixFileSystem::listFiles(const QString& folder) const {
    return listNames(folder, 0, S_IFREG);
}

QStringList PosixFileSystem::listFolders(const QString& folder) const {
    return listNames(folder, AT_SYMLINK_NOFOLLOW, S_IFDIR);
}

PosixFileSystem::~PosixFileSystem() {
    for (const auto& held : locks_) {
        ::close(held.second);
    }
}

QString PosixFileSystem::makePrivateTempFolder(QString* error) {
    int lock = -1;
    const std::string folder = MakeLockedTempFolder(&lock);
    if (folder.empty()) {
        if (error) {
            *error =
                PathFromBytes(TempFoldersBase().c_str()) + QStringLiteral(": ") + reason(errno);
        }
        return {};
    }
    const QString path = PathFromBytes(folder.c_str()) + QLatin1Char('/');
    locks_[path] = lock;
    if (error) {
        error->clear();
    }
    return path;
}

}  // namespace vm
