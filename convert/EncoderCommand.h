// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "ConversionSettings.h"

namespace vm {

// The text inside double quotes, with '\', '"', '$' and '`' escaped, so that /bin/sh takes
// it literally whatever it holds (blanks, ';', '|', '&', newlines, ...).
QString ShellQuoted(const QString& text);

// A box value as one word of the line: unchanged when it is made only of letters, digits and
// ".,_+-:=%@/" (every value the boxes offer), else quoted as above. An empty value becomes ""
// so that the switch still gets its own argument.
QString ShellWord(const QString& text);

// The one line of the encoder script. programFolder and tempFolder end in '/'. Paths go inside
// double quotes; the box values and the log path appear bare when they are ordinary words.
QString BuildEncoderCommandLine(const QString& programFolder, const QString& tempFolder,
                                const QString& sourcePath, const QString& targetPath,
                                const ConversionSettings& settings);

}  // namespace vm
