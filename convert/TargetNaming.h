// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include "ConversionSettings.h"
#include "FileState.h"
#include "platform/paths/ReadablePath.h"

namespace vm {

class Dialogs;
class FileSystem;
struct MessageTable;

// ".avi", ".wmv" or ".mp3"; each is four characters long, which the renaming relies on.
QString ExtensionOf(OutputFormat format);

// The name after the last '/', less its last four characters (the source's extension).
QString BaseName(const QString& sourcePath);

// clip.avi -> clip_new.avi: "_new" goes before the last '.', the last four characters follow.
QString RenamedTarget(const QString& targetPath);

// Once per run, before anything changes: an empty folder text stops the start; a missing
// folder is created after the user agrees. A folder that cannot be made is reported (title
// msg8, the path as read preferring names, and the reason) and stops the start too. True
// when the run may start.
bool CheckOutputFolder(const QString& folder, FileSystem& files, Dialogs& dialogs,
                       const MessageTable& messages, LegacyEncoding names);

// Makes the folder and every folder above it that is missing, without asking: for a run that
// nobody watches. A folder that appears meanwhile (another program making it) is fine. Empty
// on success, else the folder that could not be made, ": " and the system's reason.
QString MakeFolderPath(FileSystem& files, const QString& folder);

struct TargetChoice {
    FileState state = FileState::Named;  // Named, Skipped or Failed
    QString path;   // the target; when Failed the file that could not be replaced
    QString error;  // the system's reason, when Failed
};

// Settles the target of one source under the chosen conflict policy. Nothing is deleted:
// with Overwrite an existing target stays until the encoder replaces it with a complete file,
// and one that could not be replaced is an Error. runSources are the sources of the whole run:
// an existing target that is one of them (the same file however it is spelled) is never
// replaced; Overwrite renames around it as RenameAutomatically would.
// takenTargets are names that the run has given to other files (which may not exist yet): they
// count as existing files and, like the sources, are never replaced.
TargetChoice ResolveTargetPath(const QString& sourcePath, const ConversionSettings& settings,
                               const QStringList& runSources, FileSystem& files, Dialogs& dialogs,
                               const MessageTable& messages,
                               const QSet<QString>& takenTargets = {});

// True when path is the same file as one of sources.
bool IsOneOf(const QString& path, const QStringList& sources, const FileSystem& files);

}  // namespace vm
