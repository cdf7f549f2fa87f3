// SPDX-License-Identifier: GPL-3.0-or-later
#include "EncoderCommand.h"

#include "contract/EncoderContract.h"
#include "contract/EncoderSwitches.h"
#include "platform/ScriptLine.h"

namespace vm {

QString BuildEncoderCommandLine(const QString& programFolder, const QString& tempFolder,
                                const QString& sourcePath, const QString& targetPath,
                                const ConversionSettings& settings) {
    using contract::Switch;
    const QLatin1StringView encoderFile(contract::kEncoderFile.data());
    QString line = ScriptPath(programFolder + encoderFile);
    for (const contract::SwitchSpec& s : contract::kSwitches) {
        line += QLatin1Char(' ') + QLatin1StringView(s.name.data(), qsizetype(s.name.size()));
        switch (s.id) {
            case Switch::Input:
                line += QLatin1Char(' ') + ScriptPath(sourcePath);
                break;
            case Switch::VideoKbps:
                line += QLatin1Char(' ') + ScriptWord(settings.videoBitrate);
                break;
            case Switch::FrameRate:
                line += QLatin1Char(' ') + ScriptWord(settings.frameRate);
                break;
            case Switch::FrameSize:
                line += QLatin1Char(' ') + ScriptWord(settings.frameSize);
                break;
            case Switch::AudioKbps:
                line += QLatin1Char(' ') + ScriptWord(settings.audioBitrate);
                break;
            case Switch::SampleRate:
                line += QLatin1Char(' ') + ScriptWord(settings.sampleRate);
                break;
            case Switch::Channels:
                line += settings.channelIndex == 0 ? QStringLiteral(" 2") : QStringLiteral(" 1");
                break;
            case Switch::HighQuality:
            case Switch::Deinterlace:
            case Switch::Overwrite:
                break;  // always on
        }
    }
    return line + QLatin1Char(' ') + ScriptPath(targetPath) + QLatin1Char(' ') +
           ScriptErrorTo(tempFolder + QLatin1StringView(contract::kLogFile.data()));
}

}  // namespace vm
