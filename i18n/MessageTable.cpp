// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageTable.h"

namespace vm {

static_assert(static_cast<int>(Message::StillConverting) + 1 == MessageTable::kCount,
              "one name for each entry of the table");

const std::array<const char*, MessageTable::kCount>& MessageTable::keys() {
    static const std::array<const char*, kCount> names = {
        "title1", "title2", "title3", "msg1",  "msg2",  "msg3",  "msg4",
        "msg5",   "msg6",   "msg7",   "msg8",  "msg9",  "msg10", "msg11",
        "msg12",  "msg13",  "msg14",  "msg15", "msg16", "msg17"};
    return names;
}

void LoadBuiltInMessages(MessageTable& table) {
    static const std::array<const char*, MessageTable::kCount> builtIn = {
        "注意",
        "警告",
        "确定",
        "重命名",
        "转换列表为空，请先添加文件",
        "目标路径不能为空",
        "目标文件夹不存在，是否创建？",
        "文件已存在，请重新输入文件名",
        "完成",
        "跳过",
        "错误",
        "转换已完成，共",
        "个文件，其中",
        "强行中止转换会导致目标文件不完整，确认要取消吗？",
        "任务将在当前文件转换完成后中止，确认要取消吗？",
        "是否清除列表中所有文件？",
        "找不到\u201Ccoder.dll\u201D文件",
        "该文件为必须文件，请检查程序目录下是否存在该文件",
        "程序因无法运行而退出，请重新下载安装",
        "还有正在转换的文件，不能退出",
    };
    for (int i = 0; i < MessageTable::kCount; ++i) {
        table.texts[i] = QString::fromUtf8(builtIn[i]);
    }
    table.convertingCaption = QStringLiteral("正在转换");
}

}  // namespace vm
