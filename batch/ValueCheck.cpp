// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValueCheck.h"

#include <QEventLoop>

#include "convert/EncoderCommand.h"
#include "convert/EncoderJob.h"
#include "convert/TargetNaming.h"
#include "platform/FileSystem.h"

namespace vm {

namespace {

constexpr int kOptionRefused = 2;  // the encoder's exit status for a value it does not take

// The encoder names its switch ("option -s: ..."); the user knows the batch program's option.
struct Switch {
    const char* encoder;
    const char* option;
    QString ConversionSettings::*value;
};
const Switch kSwitches[] = {
    {"-b", "--video-kbps", &ConversionSettings::videoBitrate},
    {"-r", "--rate", &ConversionSettings::frameRate},
    {"-s", "--size", &ConversionSettings::frameSize},
    {"-ab", "--audio-kbps", &ConversionSettings::audioBitrate},
    {"-ar", "--sample-rate", &ConversionSettings::sampleRate},
};

ValueVerdict refused(const QString& line, const ConversionSettings& settings) {
    ValueVerdict verdict;
    verdict.accepted = false;
    QString text = line;
    if (text.startsWith(QLatin1String("Error: "))) {
        text = text.mid(7);
    }
    verdict.reason = text;
    for (const Switch& s : kSwitches) {
        const QString prefix = QStringLiteral("option %1: ").arg(QLatin1String(s.encoder));
        if (text.startsWith(prefix)) {
            verdict.option = QLatin1String(s.option);
            verdict.value = settings.*s.value;
            verdict.reason = text.mid(prefix.size());
        }
    }
    return verdict;
}

}  // namespace

ValueVerdict CheckEncoderValues(FileSystem& files, Processes& processes,
                                const QString& programFolder, const ConversionSettings& settings) {
    QString error;
    const QString folder = files.makePrivateTempFolder(&error);
    if (folder.isEmpty()) {
        return {};  // each file will meet the same trouble and say so
    }
    const QString source = folder + QStringLiteral("check.flv");
    const QString target = folder + QStringLiteral("check") + ExtensionOf(settings.format);
    ValueVerdict verdict;
    {
        EncoderJob job(files, processes);
        job.setTempFolder(folder);
        QEventLoop loop;
        QObject::connect(&job, &EncoderJob::ended, &loop, &QEventLoop::quit);
        QString path;
        const QString line =
            BuildEncoderCommandLine(programFolder, folder, source, target, settings);
        if (job.launch(line, target, &path).isEmpty()) {
            loop.exec();
            if (job.exitCode() == kOptionRefused) {
                verdict = refused(job.lastLogLine(), settings);
            }
        }
    }
    files.removeFile(target);
    files.removeEmptyDir(folder);
    return verdict;
}

}  // namespace vm
