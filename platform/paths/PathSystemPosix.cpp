// SPDX-License-Identifier: GPL-3.0-or-later
// What a POSIX program starts with, as the bytes the system gave.
#include "PathBytes.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QUrl>
#include <climits>
#include <cstdlib>

namespace vm {

QString PathFromFileUrl(const QUrl& url) {
    if (!url.isLocalFile()) {
        return {};
    }
    const QByteArray path =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    const QString host = url.host();
    // A host other than this machine makes a network path, as QUrl::toLocalFile gives it.
    const QString prefix = host.isEmpty() || host == QLatin1String("localhost")
                               ? QString()
                               : QStringLiteral("//") + host;
    return prefix + PathFromBytes(path);
}

QUrl FileUrlFromPath(const QString& path) {
    return QUrl::fromEncoded("file://" + PathToBytes(path).toPercentEncoding("/"),
                             QUrl::StrictMode);
}

QStringList ArgumentPaths(int argc, const char* const* argv) {
    QStringList args;
    for (int i = 0; i < argc && argv[i]; ++i) {
        args.append(PathFromBytes(argv[i]));
    }
    return args;
}

QString CurrentFolder() {
    char* here = ::getcwd(nullptr, 0);  // however long it is
    const QString folder = here ? PathFromBytes(here) : QString();
    std::free(here);
    return folder;
}

QString ExecutableFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || size_t(n) >= sizeof buffer) {
        return {};
    }
    const QByteArray exe(buffer, qsizetype(n));
    const qsizetype slash = exe.lastIndexOf('/');
    return slash < 0 ? QString() : PathFromBytes(exe.left(qMax<qsizetype>(slash, 1)));
}

QString ProgramFolder() {
    const QString folder = ExecutableFolder();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

QString SystemText(const char* text) {
    return QString::fromLocal8Bit(text);
}

bool NamesAreBytes() {
    return true;
}

}  // namespace vm
