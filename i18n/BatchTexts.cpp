// SPDX-License-Identifier: GPL-3.0-or-later
#include "BatchTexts.h"

#include "LanguagePacks.h"
#include "TextPattern.h"

namespace vm {

namespace {

const QString kBatchSection = QStringLiteral("Batch");

struct BatchEntry {
    const char* key;
    QString BatchTexts::*text;
    int values;
};

const BatchEntry kBatchEntries[] = {
    {"bat1", &BatchTexts::progress, 4},    {"bat2", &BatchTexts::summary, 2},
    {"bat3", &BatchTexts::interrupted, 1}, {"bat4", &BatchTexts::unknownOption, 1},
    {"bat5", &BatchTexts::needsValue, 1},  {"bat6", &BatchTexts::badValue, 3},
    {"bat7", &BatchTexts::noPaths, 0},     {"bat8", &BatchTexts::cannotAccess, 2},
    {"bat9", &BatchTexts::notFlv, 1},      {"bat10", &BatchTexts::valueRefused, 3},
};

}  // namespace

BatchTexts BuiltInBatchTexts() {
    BatchTexts t;
    t.progress = QStringLiteral("已完成 %1/%2 个文件，%3 MB/秒，约剩 %4");
    t.summary = QStringLiteral("%1，用时 %2");
    t.interrupted = QStringLiteral("已中断，%1 个文件未开始");
    t.unknownOption = QStringLiteral("未知选项“%1”");
    t.needsValue = QStringLiteral("选项“%1”需要一个值");
    t.badValue = QStringLiteral("“%1”不是选项 %2 的有效值（可选：%3）");
    t.noPaths = QStringLiteral("没有给出要转换的文件或文件夹");
    t.cannotAccess = QStringLiteral("无法访问“%1”：%2");
    t.notFlv = QStringLiteral("“%1”不是 Flash 视频文件（.flv）");
    t.valueRefused = QStringLiteral("编码器不接受选项 %1 的值“%2”：%3");
    return t;
}

BatchTexts ReadBatchTexts(const ProfileFiles& profiles, const QString& packPath) {
    BatchTexts texts = BuiltInBatchTexts();
    for (const BatchEntry& entry : kBatchEntries) {
        QString& text = texts.*entry.text;
        const QString read =
            ReadPackText(profiles, packPath, kBatchSection, QLatin1String(entry.key), text);
        if (!read.isEmpty() && HasMarkers(read, entry.values)) {
            text = read;
        }
    }
    return texts;
}

}  // namespace vm
