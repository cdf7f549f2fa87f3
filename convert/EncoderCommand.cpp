// SPDX-License-Identifier: GPL-3.0-or-later
#include "EncoderCommand.h"

#include "encoder/EncoderContract.h"

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
    const QChar channels = settings.channelIndex == 0 ? QLatin1Char('2') : QLatin1Char('1');
    const QLatin1StringView encoderFile(contract::kEncoderFile.data());
    return ShellQuoted(programFolder + encoderFile) + QStringLiteral(" -i ") +
           ShellQuoted(sourcePath) + QStringLiteral(" -b ") + ShellWord(settings.videoBitrate) +
           QStringLiteral(" -r ") + ShellWord(settings.frameRate) + QStringLiteral(" -s ") +
           ShellWord(settings.frameSize) + QStringLiteral(" -hq -deinterlace -y") +
           QStringLiteral(" -ab ") + ShellWord(settings.audioBitrate) + QStringLiteral(" -ar ") +
           ShellWord(settings.sampleRate) + QStringLiteral(" -ac ") + channels + QLatin1Char(' ') +
           ShellQuoted(targetPath) + QStringLiteral(" 2>") +
           ShellWord(tempFolder + QLatin1StringView(contract::kLogFile.data()));
}

}  // namespace vm
