// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopTexts.h"

#include "LanguagePacks.h"

namespace vm {

namespace {

const QString kSection = QStringLiteral("Dialog");
const QLatin1String kCounts[] = {QLatin1String("%1"), QLatin1String("%2"), QLatin1String("%3")};

bool HasEveryCount(const QString& body) {
    for (const QLatin1String& count : kCounts) {
        if (!body.contains(count)) {
            return false;
        }
    }
    return true;
}

}  // namespace

DesktopTexts BuiltInDesktopTexts() {
    return {QStringLiteral("转换已完成"), QStringLiteral("完成 %1 个，跳过 %2 个，错误 %3 个"),
            QStringLiteral("已被用户强行中止"), QStringLiteral("编码器中途退出，没有说明原因")};
}

DesktopTexts ReadDesktopTexts(const ProfileFiles& profiles, const QString& packPath) {
    const DesktopTexts builtIn = BuiltInDesktopTexts();
    auto read = [&](const char* key, const QString& fallback) {
        const QString text =
            ReadPackText(profiles, packPath, kSection, QLatin1String(key), fallback);
        return text.isEmpty() ? fallback : text;
    };
    DesktopTexts texts;
    texts.runEndedTitle = read("note1", builtIn.runEndedTitle);
    texts.runEndedBody = read("note2", builtIn.runEndedBody);
    if (!HasEveryCount(texts.runEndedBody)) {
        texts.runEndedBody = builtIn.runEndedBody;
    }
    texts.stoppedReason = read("note3", builtIn.stoppedReason);
    texts.silentReason = read("note4", builtIn.silentReason);
    return texts;
}

QString RunEndedBody(const DesktopTexts& texts, int done, int skipped, int failed) {
    const int values[] = {done, skipped, failed};
    QString body;
    // One pass, so that a count never stands for a marker (and "100%" in a text stays).
    const QString& pattern = texts.runEndedBody;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('%') && i + 1 < pattern.size() &&
            pattern.at(i + 1) >= QLatin1Char('1') && pattern.at(i + 1) <= QLatin1Char('3')) {
            body += QString::number(values[pattern.at(i + 1).unicode() - '1']);
            ++i;
        } else {
            body += c;
        }
    }
    return body;
}

}  // namespace vm
