// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopTexts.h"

#include "LanguagePacks.h"
#include "TextPattern.h"

namespace vm {

namespace {

const QString kSection = QStringLiteral("Dialog");

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
    if (!HasMarkers(texts.runEndedBody, 3)) {
        texts.runEndedBody = builtIn.runEndedBody;
    }
    texts.stoppedReason = read("note3", builtIn.stoppedReason);
    texts.silentReason = read("note4", builtIn.silentReason);
    texts.awakeReason = read("note5", builtIn.awakeReason);
    if (!HasMarkers(texts.awakeReason, 2)) {
        texts.awakeReason = builtIn.awakeReason;
    }
    texts.openFolderAction = read("note6", builtIn.openFolderAction);
    texts.detailsAction = read("note7", builtIn.detailsAction);
    return texts;
}

QString RunEndedBody(const DesktopTexts& texts, int done, int skipped, int failed) {
    return FillIn(texts.runEndedBody,
                  {QString::number(done), QString::number(skipped), QString::number(failed)});
}

QString AwakeReason(const DesktopTexts& texts, int number, int count) {
    return FillIn(texts.awakeReason, {QString::number(number), QString::number(count)});
}

}  // namespace vm
