// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "ConversionSettings.h"

namespace vm {

// The one line of the encoder script, in the words of the system's script interpreter
// (platform/ScriptLine.h). programFolder and tempFolder end in '/'. Paths go inside double
// quotes; the box values appear bare when they are ordinary words.
QString BuildEncoderCommandLine(const QString& programFolder, const QString& tempFolder,
                                const QString& sourcePath, const QString& targetPath,
                                const ConversionSettings& settings);

}  // namespace vm
