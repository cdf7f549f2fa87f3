// SPDX-License-Identifier: GPL-3.0-or-later
#include "OneFile.h"

#include <QDir>

#include "EncoderCommand.h"
#include "EncoderJob.h"
#include "TargetNaming.h"
#include "WindowProgress.h"
#include "contract/EncoderContract.h"
#include "i18n/DesktopTexts.h"

namespace vm {

QString EncoderProcessName() {
    return QLatin1StringView(contract::kEncoderProcess.data());
}

FileStart StartFile(EncoderJob& job, const QString& programFolder, const QString& source,
                    const ConversionSettings& settings, const QStringList& runSources,
                    const QSet<QString>& takenTargets, FileSystem& files, Dialogs& dialogs,
                    const MessageTable& messages) {
    FileStart start;
    start.error = job.deleteLeftovers(&start.path);
    if (!start.error.isEmpty()) {
        start.state = FileState::Failed;
        return start;
    }
    const TargetChoice choice =
        ResolveTargetPath(source, settings, runSources, files, dialogs, messages, takenTargets);
    if (choice.state == FileState::Failed) {
        start.state = FileState::Failed;
        start.path = choice.path;
        start.error = choice.error;
        return start;
    }
    start.target = choice.path;
    if (choice.state == FileState::Skipped) {
        start.state = FileState::Skipped;
        return start;
    }
    start.error = job.launch(
        BuildEncoderCommandLine(programFolder, job.tempFolder(), source, start.target, settings),
        start.target, &start.path);
    if (!start.error.isEmpty()) {
        start.state = FileState::Failed;
    }
    return start;
}

bool EncoderFinished(const QString& lastLogLine) {
    // Judged by the closing line of the encoder's log alone, not by its exit status.
    return contract::IsDoneLine(lastLogLine.toStdString());
}

QString EncoderFailureReason(const QString& lastLogLine, bool stopped, const DesktopTexts& texts) {
    if (stopped) {
        return texts.stoppedReason;
    }
    // The encoder's closing line says what went wrong; a log that ends in a progress line (or
    // holds nothing) means the encoder was ended before it could say.
    const QString line = lastLogLine.trimmed();
    if (line.isEmpty() || ParseProgressLine(lastLogLine)) {
        return texts.silentReason;
    }
    return line;
}

QString OperationReason(const QString& source, const QString& path, const QString& error) {
    // The path as people read it on this system ('\\' on Windows), like every shown path.
    return path == source ? error : QDir::toNativeSeparators(path) + QStringLiteral(": ") + error;
}

QString RemovePartialTarget(EncoderJob& job, const QString& target, const QStringList& runSources,
                            const FileSystem& files) {
    if (target.isEmpty() || IsOneOf(target, runSources, files)) {
        return {};
    }
    return job.removeOwnTarget();
}

}  // namespace vm
