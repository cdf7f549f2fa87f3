// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

enum class OutputFormat { Avi, Wmv, Mp3 };
enum class ConflictPolicy { AskForName, RenameAutomatically, Skip, Overwrite };

// The choices a run reads from the window, each time it needs them. The texts are the
// boxes' texts exactly as shown; channelIndex is the selected position of the channels box
// (0 = stereo, anything else, -1 included, = mono).
struct ConversionSettings {
    OutputFormat format = OutputFormat::Avi;
    QString frameSize = QStringLiteral("320x240");
    QString frameRate = QStringLiteral("29.97");
    QString videoBitrate = QStringLiteral("360");
    QString audioBitrate = QStringLiteral("56");
    QString sampleRate = QStringLiteral("22050");
    int channelIndex = 0;
    QString outputFolder;
    ConflictPolicy policy = ConflictPolicy::RenameAutomatically;
};

}  // namespace vm
