// SPDX-License-Identifier: GPL-3.0-or-later
#include "EncoderCommand.h"

#include "contract/EncoderContract.h"
#include "contract/EncoderSwitches.h"

namespace vm {

namespace {

bool isPlainWordChar(QChar c) {
    if (c.unicode() >= 128) {
        return false;
    }
    const char a = char(c.unicode());
    return (a >= 'a' && a <= 'z') || (a >= 'A' && a <= 'Z') || (a >= '0' && a <= '9') ||
           QByteArrayView(".,_+-:=%@/").contains(a);
}

}  // namespace

QString ShellQuoted(const QString& text) {
    QString quoted;
    quoted.reserve(text.size() + 8);
    quoted += QLatin1Char('"');
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"') || c == QLatin1Char('$') ||
            c == QLatin1Char('`')) {
            quoted += QLatin1Char('\\');
        }
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return quoted;
}

QString ShellWord(const QString& text) {
    if (text.isEmpty()) {
        return QStringLiteral("\"\"");
    }
    for (const QChar c : text) {
        if (!isPlainWordChar(c)) {
            return ShellQuoted(text);
        }
    }
    return text;
}

QString BuildEncoderCommandLine(const QString& programFolder, const QString& tempFolder,
                                const QString& sourcePath, const QString& targetPath,
                                const ConversionSettings& settings) {
    using contract::Switch;
    const QLatin1StringView encoderFile(contract::kEncoderFile.data());
    QString line = ShellQuoted(programFolder + encoderFile);
    for (const contract::SwitchSpec& s : contract::kSwitches) {
        line += QLatin1Char(' ') + QLatin1StringView(s.name.data(), qsizetype(s.name.size()));
        switch (s.id) {
            case Switch::Input:
                line += QLatin1Char(' ') + ShellQuoted(sourcePath);
                break;
            case Switch::VideoKbps:
                line += QLatin1Char(' ') + ShellWord(settings.videoBitrate);
                break;
            case Switch::FrameRate:
                line += QLatin1Char(' ') + ShellWord(settings.frameRate);
                break;
            case Switch::FrameSize:
                line += QLatin1Char(' ') + ShellWord(settings.frameSize);
                break;
            case Switch::AudioKbps:
                line += QLatin1Char(' ') + ShellWord(settings.audioBitrate);
                break;
            case Switch::SampleRate:
                line += QLatin1Char(' ') + ShellWord(settings.sampleRate);
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
    return line + QLatin1Char(' ') + ShellQuoted(targetPath) + QStringLiteral(" 2>") +
           ShellWord(tempFolder + QLatin1StringView(contract::kLogFile.data()));
}

}  // namespace vm
