// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>

namespace vm {

// The texts of every message box and input box, plus the base caption of the counter line.
// Callers read an entry at the moment they show a box, so a language switch shows at once.
struct MessageTable {
    static constexpr int kCount = 20;
    // Key names in table order, as in the packs' Dialog section: title1..title3, msg1..msg17.
    static const std::array<const char*, kCount>& keys();

    std::array<QString, kCount> texts;
    QString convertingCaption;

    const QString& title(int n) const { return texts.at(n - 1); }  // n = 1..3
    const QString& msg(int n) const { return texts.at(n + 2); }    // n = 1..17
};

// Sets the whole table and ConvertingCaption to the built-in Simplified Chinese texts.
void LoadBuiltInMessages(MessageTable& table);

}  // namespace vm
