// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

class ProfileFiles;

// Names that a screen reader gives the controls beside which the window shows no caption. Keys
// of the Access section.
struct AccessTexts {
    QString languageBox;  // acc1: the language box
    QString fileList;     // acc2: the list of files to convert
};

// The built-in Simplified Chinese names.
AccessTexts BuiltInAccessTexts();

// The names of a pack; a missing or empty key gives its built-in name (a control without a name
// is what these texts are there to prevent). An empty packPath gives the built-in names.
AccessTexts ReadAccessTexts(const ProfileFiles& profiles, const QString& packPath);

}  // namespace vm
