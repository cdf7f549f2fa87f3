// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "convert/ConversionSettings.h"

namespace vm {

class FileSystem;
class Processes;

// What the encoder says of the values of a run's settings.
struct ValueVerdict {
    bool accepted = true;
    QString option;  // the batch program's option whose value was refused ("--size")
    QString value;   // that value
    QString reason;  // the encoder's own words
};

// The window passes the text of its boxes as it stands, and the encoder judges it. The batch
// program asks the same judge before anything runs: it runs the encoder once on the line a
// file would get, with a source that does not exist, in a temp folder of its own. An encoder
// that refuses a value ends with status 2 before it looks at the source. Waits for the
// encoder on a local event loop.
ValueVerdict CheckEncoderValues(FileSystem& files, Processes& processes,
                                const QString& programFolder, const ConversionSettings& settings);

}  // namespace vm
