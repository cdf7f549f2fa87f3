// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>

namespace vm {

// The entries of the message table, in the order of their keys in the packs' Dialog section.
enum class Message {
    AttentionTitle,      // title1: empty list, empty or missing output folder
    WarningTitle,        // title2: the force-stop question
    ConfirmTitle,        // title3: the cancel and clear-list questions
    RenameTitle,         // msg1: the box asking for a new target name
    ListEmpty,           // msg2: Start with an empty list
    NoOutputFolder,      // msg3: Start with an empty output folder
    CreateOutputFolder,  // msg4: Start with a missing output folder; OK creates it
    TargetExists,        // msg5: prompt of the new-name box
    Done,                // msg6: completion box title, heading of the converted files
    Skipped,             // msg7: heading of the skipped files
    Error,               // msg8: heading of the failed files; title of every error box
    FinishedInAll,       // msg9: summary, before the number of files in the list
    FilesOfWhich,        // msg10: summary, after that number
    ForceStopQuestion,   // msg11
    CancelQuestion,      // msg12
    ClearListQuestion,   // msg13
    EncoderMissing,      // msg14: missing encoder at start-up, first part
    EncoderRequired,     // msg15: second part
    CannotRun,           // msg16: third part
    StillConverting,     // msg17: closing refused during a run
};

// The texts of every message box and input box, plus the base caption of the counter line.
// Callers read an entry at the moment they show a box, so a language switch shows at once.
struct MessageTable {
    static constexpr int kCount = 20;
    // Key names in table order, as in the packs' Dialog section: title1..title3, msg1..msg17.
    static const std::array<const char*, kCount>& keys();

    std::array<QString, kCount> texts;  // in the order of Message
    QString convertingCaption;

    const QString& operator[](Message m) const { return texts.at(static_cast<size_t>(m)); }
    QString& operator[](Message m) { return texts.at(static_cast<size_t>(m)); }
};

// Sets the whole table and ConvertingCaption to the built-in Simplified Chinese texts.
void LoadBuiltInMessages(MessageTable& table);

}  // namespace vm
