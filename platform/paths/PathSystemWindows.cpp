// SPDX-License-Identifier: GPL-3.0-or-later
// What a Windows program starts with. Names there are UTF-16, and a QString holds them exactly
// (an unpaired surrogate included): the system's text is taken as it is, with '/' for '\'.
#include "PathBytes.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <QCoreApplication>
#include <QUrl>
#include <memory>
#include <string>

namespace vm {

namespace {

QString FromWide(const wchar_t* text, qsizetype length = -1) {
    return QString::fromWCharArray(text, length);
}

QString WithSlashes(QString path) {
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

struct LocalFreeDeleter {
    void operator()(wchar_t** p) const { ::LocalFree(p); }
};

}  // namespace

QString PathFromFileUrl(const QUrl& url) {
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

QUrl FileUrlFromPath(const QString& path) {
    return QUrl::fromLocalFile(path);
}

QStringList ArgumentPaths(int argc, const char* const* argv) {
    // argv holds the command line in the ANSI code page, which cannot write every name; the
    // wide command line can. The application object may have taken some of argv (its own
    // options): the wide arguments that remain are those that argv still shows, in order.
    int count = 0;
    const std::unique_ptr<wchar_t*, LocalFreeDeleter> wide(
        ::CommandLineToArgvW(::GetCommandLineW(), &count));
    QStringList all;
    for (int i = 0; wide && i < count; ++i) {
        all.append(FromWide(wide.get()[i]));
    }
    QStringList args;
    qsizetype next = 0;
    for (int i = 0; i < argc && argv[i]; ++i) {
        const QByteArray ansi(argv[i]);
        qsizetype at = next;
        // The program's own name may be spelled otherwise; every other argument matches its
        // wide form written in the ANSI code page.
        while (i > 0 && at < all.size() && all.at(at).toLocal8Bit() != ansi) {
            ++at;
        }
        if (at < all.size()) {
            args.append(all.at(at));
            next = at + 1;
        } else {
            args.append(QString::fromLocal8Bit(ansi));
        }
    }
    return args;
}

QString CurrentFolder() {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) {
        return {};
    }
    std::wstring buffer(needed, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(needed, buffer.data());
    return length == 0 || length >= needed ? QString()
                                           : WithSlashes(FromWide(buffer.data(), length));
}

QString ExecutableFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            const QString exe = WithSlashes(FromWide(buffer.data(), length));
            const qsizetype slash = exe.lastIndexOf(QLatin1Char('/'));
            // A drive's top keeps its '/' ("C:/"), as "/" does on POSIX.
            const bool top = slash == 2 && exe.at(1) == QLatin1Char(':');
            return slash < 0 ? QString() : exe.left(top ? slash + 1 : slash);
        }
        buffer.resize(buffer.size() * 2);  // cut short: ask again with room
    }
}

QString ProgramFolder() {
    const QString folder = ExecutableFolder();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

QString SystemText(const char* text) {
    return QString::fromLocal8Bit(text);  // the C library's texts are in the ANSI code page
}

bool NamesAreBytes() {
    return false;
}

}  // namespace vm
