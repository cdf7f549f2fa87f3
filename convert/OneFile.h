// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include "ConversionSettings.h"
#include "FileState.h"

namespace vm {

class Dialogs;
class EncoderJob;
class FileSystem;
struct DesktopTexts;
struct MessageTable;

// The steps that each file of a run goes through, whoever runs it: the window one file after
// the other, the batch program several at once, each file on an encoder job of its own.

// The encoder's name as a process list shows it, upper-cased: what a stop kills in a job.
QString EncoderProcessName();

struct FileStart {
    FileState state = FileState::Converting;  // Converting, Skipped or Failed
    QString target;  // the settled target; empty when a step before the naming failed
    QString path;    // Failed: the file that the failing operation concerned
    QString error;   // Failed: the system's reason
};

// Deletes the job's leftover script and log, settles the target under the policy, composes
// the encoder line and starts it. runSources are the sources of the whole run; takenTargets
// are names this run has given to other files, which count as existing files that are never
// replaced. When Converting, the job's end says how the file went.
FileStart StartFile(EncoderJob& job, const QString& programFolder, const QString& source,
                    const ConversionSettings& settings, const QStringList& runSources,
                    const QSet<QString>& takenTargets, FileSystem& files, Dialogs& dialogs,
                    const MessageTable& messages);

// A file is done when the last line of its log is the encoder's closing line.
bool EncoderFinished(const QString& lastLogLine);

// Why a file whose encoder did not finish failed: the user stopped it, the encoder ended
// without a word, or what the encoder's closing line says.
QString EncoderFailureReason(const QString& lastLogLine, bool stopped, const DesktopTexts& texts);

// The reason of a failed file operation on path, told of source.
QString OperationReason(const QString& source, const QString& path, const QString& error);

// No partial output stays behind a failed file: the file the job was seen writing at target
// is deleted, never one that another program put there meanwhile, nor a source of the run.
// Empty on success (also when there was nothing to delete), else the reason.
QString RemovePartialTarget(EncoderJob& job, const QString& target, const QStringList& runSources,
                            const FileSystem& files);

}  // namespace vm
