// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

class ProfileFiles;

// The texts of the batch program that the message table does not hold: its progress line,
// the end of its summary and its complaints about the command line. Keys of the Batch
// section; %1, %2, ... stand for the values named beside each.
struct BatchTexts {
    QString progress;       // bat1: files finished, files in all, MB/s, time left
    QString summary;        // bat2: the counts (as the notification's body has them), the time
    QString interrupted;    // bat3: files not started
    QString unknownOption;  // bat4: the option
    QString needsValue;     // bat5: the option
    QString badValue;       // bat6: the value, the option, the values allowed
    QString noPaths;        // bat7
    QString cannotAccess;   // bat8: the path, the system's reason
    QString notFlv;         // bat9: the path
    QString valueRefused;   // bat10: the option, the value, the encoder's reason
};

// The built-in Simplified Chinese texts.
BatchTexts BuiltInBatchTexts();

// The texts of a pack; a missing or empty key, or a text that lacks one of its values, gives
// the built-in text. An empty packPath gives the built-in texts.
BatchTexts ReadBatchTexts(const ProfileFiles& profiles, const QString& packPath);

}  // namespace vm
