// SPDX-License-Identifier: GPL-3.0-or-later
#include "TargetNaming.h"

#include <QDir>

#include "i18n/MessageTable.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/paths/ReadablePath.h"

namespace vm {

namespace {

const QChar kSeparator = QLatin1Char('/');

QString withTrailingSeparator(const QString& folder) {
    return folder.endsWith(kSeparator) ? folder : folder + kSeparator;
}

// The folder that target paths begin with. A relative folder is taken from the current one
// and made absolute: the encoder runs in a folder of its own on Windows (cmd.exe starts in
// the temp folder), and an absolute path is never taken for an option ("-out").
QString targetFolder(const QString& folder) {
    if (!folder.isEmpty() && QDir::isRelativePath(folder)) {
        return withTrailingSeparator(QDir::cleanPath(QDir::current().absoluteFilePath(folder)));
    }
    return withTrailingSeparator(folder);
}

}  // namespace

QString ExtensionOf(OutputFormat format) {
    switch (format) {
        case OutputFormat::Wmv:
            return QStringLiteral(".wmv");
        case OutputFormat::Mp3:
            return QStringLiteral(".mp3");
        case OutputFormat::Avi:
            break;
    }
    return QStringLiteral(".avi");
}

QString BaseName(const QString& sourcePath) {
    const QString name = sourcePath.mid(sourcePath.lastIndexOf(kSeparator) + 1);
    return name.left(qMax(0, name.size() - 4));
}

QString RenamedTarget(const QString& targetPath) {
    const qsizetype dot = targetPath.lastIndexOf(QLatin1Char('.'));
    const QString head = dot < 0 ? targetPath : targetPath.left(dot);
    return head + QStringLiteral("_new") + targetPath.right(4);
}

bool CheckOutputFolder(const QString& folder, FileSystem& files, Dialogs& dialogs,
                       const MessageTable& messages, LegacyEncoding names) {
    if (folder.isEmpty()) {
        dialogs.messageBox(messages[Message::AttentionTitle], messages[Message::NoOutputFolder],
                           MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    if (files.exists(folder)) {
        return true;
    }
    if (dialogs.messageBox(messages[Message::AttentionTitle], messages[Message::CreateOutputFolder],
                           MsgButtons::OkCancel, MsgIcon::Information) != MsgAnswer::Ok) {
        return false;
    }
    const QString error = files.makeDir(folder);
    if (!error.isEmpty()) {
        dialogs.messageBox(messages[Message::Error],
                           ReadablePath(folder, names) + QLatin1Char('\r') + error, MsgButtons::Ok,
                           MsgIcon::Critical);
        return false;
    }
    return true;
}

QString MakeFolderPath(FileSystem& files, const QString& folder) {
    if (folder.isEmpty() || files.isDir(folder)) {
        return {};
    }
    QString path = folder;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
    }
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash > 0) {
        const QString above = MakeFolderPath(files, path.left(slash));
        if (!above.isEmpty()) {
            return above;
        }
    }
    const QString error = files.makeDir(path);
    if (!error.isEmpty() && !files.isDir(path)) {
        return path + QStringLiteral(": ") + error;
    }
    return {};
}

bool IsOneOf(const QString& path, const QStringList& sources, const FileSystem& files) {
    for (const QString& source : sources) {
        if (files.sameFile(path, source)) {
            return true;
        }
    }
    return false;
}

TargetChoice ResolveTargetPath(const QString& sourcePath, const ConversionSettings& settings,
                               const QStringList& runSources, FileSystem& files, Dialogs& dialogs,
                               const MessageTable& messages, const QSet<QString>& takenTargets) {
    const QString extension = ExtensionOf(settings.format);
    QString target = targetFolder(settings.outputFolder) + BaseName(sourcePath) + extension;
    for (;;) {
        // A name the file system cannot hold is never free: it fails clearly here rather than
        // in the encoder (automatic renaming makes names longer each round).
        const QString problem = files.nameProblem(target);
        if (!problem.isEmpty()) {
            return {FileState::Failed, target, problem};
        }
        const bool taken = takenTargets.contains(target);
        if (!taken && !files.isFile(target)) {
            break;
        }
        switch (settings.policy) {
            case ConflictPolicy::AskForName: {
                // Asked again for as long as the file exists; an empty answer (or Cancel)
                // keeps the name.
                const QString answer = dialogs.inputBox(messages[Message::RenameTitle],
                                                        messages[Message::TargetExists], {});
                if (!answer.isEmpty()) {
                    target = target.left(target.lastIndexOf(kSeparator) + 1) + answer + extension;
                }
                continue;
            }
            case ConflictPolicy::Overwrite: {
                if (taken || target == sourcePath || IsOneOf(target, runSources, files)) {
                    // Never delete a source, nor a file of this run: pick another name instead.
                    target = RenamedTarget(target);
                    continue;
                }
                // The old file stays until the encoder (-y) puts the complete new one in its
                // place: a failed or stopped conversion leaves it as it was. Whether it could
                // be replaced at all is asked here, deleting nothing.
                const QString error = files.replaceProblem(target);
                if (!error.isEmpty()) {
                    return {FileState::Failed, target, error};
                }
                return {FileState::Named, target, {}};
            }
            case ConflictPolicy::Skip:
                return {FileState::Skipped, target, {}};
            case ConflictPolicy::RenameAutomatically:
                target = RenamedTarget(target);
                continue;
        }
    }
    return {FileState::Named, target, {}};
}

}  // namespace vm
