// SPDX-License-Identifier: GPL-3.0-or-later
#include "LanguageTexts.h"

// Placeholder until the pack code lands.
namespace vm {

LanguageTexts ReadLanguageTexts(const ProfileFiles&, const QString&) {
    LanguageTexts texts;
    LoadBuiltInMessages(texts.messages);
    return texts;
}

}  // namespace vm
