// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cstdio>

#include "platform/paths/PathBytes.h"

namespace vm {

namespace {

const QLatin1String kEndOfOptions("--");

bool IsHelp(const QString& arg) {
    return arg == QLatin1String("-h") || arg == QLatin1String("--help");
}
bool IsVersion(const QString& arg) {
    return arg == QLatin1String("-v") || arg == QLatin1String("--version");
}

void Print(std::FILE* stream, const QString& text) {
    std::fputs(PathToBytes(text).constData(), stream);
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& args, const QString& workingFolder) {
    CommandLine line;
    const QDir here(workingFolder);
    bool options = true;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (options && arg == kEndOfOptions) {
            options = false;
            continue;
        }
        if (options && arg.size() > 1 && arg.startsWith(QLatin1Char('-'))) {
            if (IsHelp(arg) || IsVersion(arg)) {
                line.action =
                    IsHelp(arg) ? CommandLine::Action::Help : CommandLine::Action::Version;
                return line;
            }
            line.action = CommandLine::Action::Error;
            line.error = QStringLiteral("unknown option '%1'").arg(arg);
            return line;
        }
        QString path = arg;
        if (arg.contains(QLatin1String("://")) || arg.startsWith(QLatin1String("file:"))) {
            const QUrl url(arg);
            if (!url.isLocalFile()) {
                continue;  // not a local file, as a drop would deliver none
            }
            path = PathFromFileUrl(url);
        }
        if (!path.isEmpty()) {
            line.files.append(QDir::cleanPath(here.absoluteFilePath(path)));
        }
    }
    return line;
}

QString HelpText() {
    return QStringLiteral(
        "Usage: vidmorf [OPTION]... [FILE]...\n"
        "Convert Flash video (FLV) into AVI, WMV or MP3.\n"
        "\n"
        "Each FILE whose name ends in .flv joins the file list. When Vidmorf already runs for\n"
        "this user and program folder, the files join the list of that window instead.\n"
        "\n"
        "  -h, --help     show this help and exit\n"
        "  -v, --version  show the version and exit\n"
        "  --             take every later argument as a file\n");
}

QString VersionText() {
    return QStringLiteral("vidmorf 0.9\n");
}

std::optional<int> AnswerInfoOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QString arg = PathFromBytes(argv[i]);
        if (arg == kEndOfOptions) {
            break;
        }
        if (IsHelp(arg) || IsVersion(arg)) {
            CommandLine line;
            line.action = IsHelp(arg) ? CommandLine::Action::Help : CommandLine::Action::Version;
            return Answer(line);
        }
    }
    return std::nullopt;
}

int Answer(const CommandLine& line) {
    switch (line.action) {
        case CommandLine::Action::Help:
            Print(stdout, HelpText());
            return 0;
        case CommandLine::Action::Version:
            Print(stdout, VersionText());
            return 0;
        case CommandLine::Action::Error:
            Print(stderr, QStringLiteral("vidmorf: %1\nTry 'vidmorf --help' for more "
                                         "information.\n")
                              .arg(line.error));
            return 1;
        case CommandLine::Action::Run:
            break;
    }
    return 0;
}

QString InstanceName(const QString& programFolder) {
    // The same folder reached through a link, or spelled another way, is one instance.
    QString folder = QFileInfo(programFolder).canonicalFilePath();
    if (folder.isEmpty()) {
        folder = QDir::cleanPath(QDir(programFolder).absolutePath());
    }
    const QByteArray hash =
        QCryptographicHash::hash(PathToBytes(folder), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("vidmorf-") + QString::fromLatin1(hash.left(16));
}

QByteArray EncodePaths(const QStringList& paths) {
    QByteArray message;
    for (const QString& path : paths) {
        message += PathToBytes(path);
        message += '\0';  // no path holds a NUL
    }
    return message;
}

QStringList DecodePaths(const QByteArray& message) {
    QStringList paths;
    for (const QByteArray& part : message.split('\0')) {
        if (!part.isEmpty()) {
            paths.append(PathFromBytes(part));
        }
    }
    return paths;
}

}  // namespace vm
