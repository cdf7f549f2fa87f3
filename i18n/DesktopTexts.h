// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

class ProfileFiles;

// Texts around a run that the message table does not hold: the notification at its end and
// its actions, the reasons given for failed files where the encoder gave none, and why the
// machine is kept awake. Keys of the Dialog section.
struct DesktopTexts {
    QString runEndedTitle;     // note1: the notification's title
    QString runEndedBody;      // note2: its body; %1, %2 and %3 stand for done, skipped, failed
    QString stoppedReason;     // note3: a file whose encoder the user stopped
    QString silentReason;      // note4: a file whose encoder ended without a closing line
    QString awakeReason;       // note5: while converting; %1 the file's number, %2 the files
    QString openFolderAction;  // note6: the notification's action that opens the output folder
    QString detailsAction;     // note7: its action that shows what failed
};

// The built-in Simplified Chinese texts.
DesktopTexts BuiltInDesktopTexts();

// The texts of a pack; a missing key gives its built-in text, and so does a body that lacks
// one of its three numbers. An empty packPath gives the built-in texts.
DesktopTexts ReadDesktopTexts(const ProfileFiles& profiles, const QString& packPath);

// The notification's body with the three counts in place.
QString RunEndedBody(const DesktopTexts& texts, int done, int skipped, int failed);

// Why the machine stays awake, with the current file's number (from 1) and the number of files.
QString AwakeReason(const DesktopTexts& texts, int number, int count);

}  // namespace vm
