// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValueCheck.h"

#include <QEventLoop>

#include "contract/EncoderContract.h"
#include "contract/EncoderSwitches.h"
#include "convert/EncoderCommand.h"
#include "convert/EncoderJob.h"
#include "convert/TargetNaming.h"
#include "platform/FileSystem.h"

namespace vm {

namespace {

// The encoder names its switch ("option -s: ..."); the user knows the batch program's option.
struct Switch {
    contract::Switch encoder;
    const char* option;
    QString ConversionSettings::*value;
};
const Switch kSwitches[] = {
    {contract::Switch::VideoKbps, "--video-kbps", &ConversionSettings::videoBitrate},
    {contract::Switch::FrameRate, "--rate", &ConversionSettings::frameRate},
    {contract::Switch::FrameSize, "--size", &ConversionSettings::frameSize},
    {contract::Switch::AudioKbps, "--audio-kbps", &ConversionSettings::audioBitrate},
    {contract::Switch::SampleRate, "--sample-rate", &ConversionSettings::sampleRate},
};

QLatin1StringView latin1(std::string_view text) {
    return QLatin1StringView(text.data(), qsizetype(text.size()));
}

ValueVerdict refused(const QString& line, const ConversionSettings& settings) {
    ValueVerdict verdict;
    verdict.accepted = false;
    QString text = line;
    if (text.startsWith(latin1(contract::kErrorPrefix))) {
        text = text.mid(qsizetype(contract::kErrorPrefix.size()));
    }
    verdict.reason = text;
    for (const Switch& s : kSwitches) {
        const QString prefix = latin1(contract::kOptionPrefix) +
                               latin1(contract::SwitchName(s.encoder)) + QStringLiteral(": ");
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
            if (job.exitCode() == contract::kExitRefused) {
                verdict = refused(job.lastLogLine(), settings);
            }
        }
    }
    files.removeFile(target);
    files.removeEmptyDir(folder);
    return verdict;
}

}  // namespace vm
