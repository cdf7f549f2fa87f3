// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopTexts.h"

#include "LanguagePacks.h"

namespace vm {

namespace {

const QString kSection = QStringLiteral("Dialog");

// Whether text holds each of the markers %1 to %<markers>.
bool HasEveryCount(const QString& text, int markers) {
    for (int i = 1; i <= markers; ++i) {
        if (!text.contains(QLatin1Char('%') + QString::number(i))) {
            return false;
        }
    }
    return true;
}

// The pattern with %1, %2, ... replaced by the values, in one pass, so that a value never stands
// for a marker (and "100%" in a text stays).
QString FillCounts(const QString& pattern, std::initializer_list<int> values) {
    QString text;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        const int n = i + 1 < pattern.size() ? pattern.at(i + 1).unicode() - '1' : -1;
        if (c == QLatin1Char('%') && n >= 0 && n < int(values.size())) {
            text += QString::number(values.begin()[n]);
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

}  // namespace

DesktopTexts BuiltInDesktopTexts() {
    return {QStringLiteral("转换已完成"),
            QStringLiteral("完成 %1 个，跳过 %2 个，错误 %3 个"),
            QStringLiteral("已被用户强行中止"),
            QStringLiteral("编码器中途退出，没有说明原因"),
            QStringLiteral("正在转换第 %1 个文件，共 %2 个"),
            QStringLiteral("打开输出文件夹"),
            QStringLiteral("查看详情")};
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
    if (!HasEveryCount(texts.runEndedBody, 3)) {
        texts.runEndedBody = builtIn.runEndedBody;
    }
    texts.stoppedReason = read("note3", builtIn.stoppedReason);
    texts.silentReason = read("note4", builtIn.silentReason);
    texts.awakeReason = read("note5", builtIn.awakeReason);
    if (!HasEveryCount(texts.awakeReason, 2)) {
        texts.awakeReason = builtIn.awakeReason;
    }
    texts.openFolderAction = read("note6", builtIn.openFolderAction);
    texts.detailsAction = read("note7", builtIn.detailsAction);
    return texts;
}

QString RunEndedBody(const DesktopTexts& texts, int done, int skipped, int failed) {
    return FillCounts(texts.runEndedBody, {done, skipped, failed});
}

QString AwakeReason(const DesktopTexts& texts, int number, int count) {
    return FillCounts(texts.awakeReason, {number, count});
}

}  // namespace vm
