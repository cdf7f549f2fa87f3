// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessTexts.h"

#include "LanguagePacks.h"

namespace vm {

AccessTexts BuiltInAccessTexts() {
    return {QStringLiteral("语言"), QStringLiteral("转换列表")};
}

AccessTexts ReadAccessTexts(const ProfileFiles& profiles, const QString& packPath) {
    const AccessTexts builtIn = BuiltInAccessTexts();
    const QString section = QStringLiteral("Access");
    auto read = [&](const char* key, const QString& fallback) {
        const QString text =
            ReadPackText(profiles, packPath, section, QLatin1String(key), fallback);
        return text.trimmed().isEmpty() ? fallback : text;
    };
    return {read("acc1", builtIn.languageBox), read("acc2", builtIn.fileList)};
}

}  // namespace vm
