// SPDX-License-Identifier: GPL-3.0-or-later
#include "LanguageTexts.h"

#include "LanguagePacks.h"

namespace vm {

namespace {

// Where a text read by a switch goes.
enum class Target { Caption, Stereo, Mono, Converting, Unused };

struct Entry {
    const char* section;
    const char* key;
    Target target;
    const char* objectName;  // the control whose caption takes the text
    int index;               // Option7 index, -1 for other controls
    const char* builtIn;     // the window's own text
    const char* fallback;    // the text a missing key gives (nullptr: builtIn)
};

// The note on the encoder and the terms of use (Label23).
#define VM_LICENCE_NOTE \
    "编码器基于 FFmpeg 库构建。Vidmorf 是自由软件，依据 GNU GPL 第 3 版或更高版本发布。"

// Every read of a switch, in its order.
const Entry kEntries[] = {
    {"Tab", "tab1", Target::Caption, "Option7", 0, "文件列表", nullptr},
    {"Tab", "tab2", Target::Caption, "Option7", 1, "保存选项", nullptr},
    {"Tab", "tab3", Target::Caption, "Option7", 2, "参数设置", nullptr},
    {"Tab", "tab4", Target::Caption, "Option7", 3, "视频转换", nullptr},
    {"Tab", "tab5", Target::Caption, "Option7", 4, "FLV资源", "flv资源"},
    {"Tab", "tab6", Target::Caption, "Option7", 5, "关于", nullptr},
    {"Tab1", "cmd11", Target::Caption, "Command1", -1, "添加", nullptr},
    {"Tab1", "cmd12", Target::Caption, "Command9", -1, "删除", nullptr},
    {"Tab1", "cmd13", Target::Caption, "Command8", -1, "清空", nullptr},
    {"Tab2", "frm21", Target::Caption, "Frame6", -1, "保存到文件夹", nullptr},
    {"Tab2", "frm22", Target::Caption, "Frame4", -1, "文件存在时", nullptr},
    {"Tab2", "cmd21", Target::Caption, "Command2", -1, "浏 览", nullptr},
    {"Tab2", "opt21", Target::Caption, "Option6", -1, "重命名(自动)", nullptr},
    {"Tab2", "opt22", Target::Caption, "Option3", -1, "重命名(指定)", nullptr},
    {"Tab2", "opt23", Target::Caption, "Option5", -1, "跳过", nullptr},
    {"Tab2", "opt24", Target::Caption, "Option4", -1, "覆盖", nullptr},
    {"Tab3", "frm31", Target::Caption, "Frame5", -1, "转换格式", nullptr},
    {"Tab3", "frm32", Target::Caption, "Frame1", -1, "视频选项", nullptr},
    {"Tab3", "frm33", Target::Caption, "Frame2", -1, "音频选项", nullptr},
    {"Tab3", "lab31", Target::Caption, "Label3", -1, "分辨率", nullptr},
    {"Tab3", "lab32", Target::Caption, "Label4", -1, "帧率", nullptr},
    {"Tab3", "lab33", Target::Caption, "Label5", -1, "码率", nullptr},
    {"Tab3", "lab34", Target::Caption, "Label6", -1, "码率", nullptr},
    {"Tab3", "lab35", Target::Caption, "Label7", -1, "取样率", nullptr},
    {"Tab3", "lab36", Target::Caption, "Label8", -1, "音质", nullptr},
    {"Tab3", "lis31", Target::Stereo, nullptr, -1, "立体声", nullptr},
    {"Tab3", "lis32", Target::Mono, nullptr, -1, "单声道", nullptr},
    {"Tab4", "lab41", Target::Converting, "Label21", -1, "正在转换", nullptr},
    {"Tab4", "cmd41", Target::Caption, "Command3", -1, "开 始", nullptr},
    {"Tab4", "cmd42", Target::Caption, "Command6", -1, "取消任务", nullptr},
    {"Tab4", "cmd43", Target::Caption, "Command5", -1, "强行中止", nullptr},
    {"Tab4", "frm41", Target::Caption, "Frame3", -1, "状态", nullptr},
    {"Tab4", "lab42", Target::Caption, "Label9", -1, "当前帧", nullptr},
    {"Tab4", "lab43", Target::Caption, "Label14", -1, "时间", nullptr},
    {"Tab4", "lab44", Target::Caption, "Label10", -1, "码率", nullptr},
    {"Tab4", "lab45", Target::Caption, "Label11", -1, "大小", nullptr},
    {"Tab5", "lab51", Target::Caption, "Label29", -1, "支持Vidmorf，请帮忙点击广告，我们会做的更好",
     nullptr},
    {"Tab6", "lab61", Target::Unused, nullptr, -1, "", nullptr},
    {"Tab6", "lab62", Target::Caption, "Label23", -1, VM_LICENCE_NOTE, nullptr},
    {"Tab6", "cmd61", Target::Caption, "Command4", -1, "获取最新版本", nullptr},
    {"Tab6", "frm61", Target::Caption, "Frame8", -1, "感谢以下人员", nullptr},
};

#undef VM_LICENCE_NOTE

// Fills texts from read(entry) for every control text, then the message table from
// message(position); the order of the calls is the order of a switch.
template <typename ReadEntry, typename ReadMessage>
LanguageTexts Collect(ReadEntry read, ReadMessage message) {
    LanguageTexts texts;
    for (const Entry& e : kEntries) {
        const QString text = read(e);
        switch (e.target) {
            case Target::Caption:
                texts.captions.append({QString::fromLatin1(e.objectName), e.index, text});
                break;
            case Target::Stereo:
                texts.stereo = text;
                break;
            case Target::Mono:
                texts.mono = text;
                break;
            case Target::Converting:
                texts.messages.convertingCaption = text;
                texts.captions.append({QString::fromLatin1(e.objectName), -1, text});
                break;
            case Target::Unused:
                texts.unusedAboutText = text;
                break;
        }
    }
    for (int i = 0; i < MessageTable::kCount; ++i) {
        texts.messages.texts[i] = message(i);
    }
    return texts;
}

}  // namespace

LanguageTexts ReadLanguageTexts(const ProfileFiles& profiles, const QString& packPath) {
    MessageTable builtIn;
    LoadBuiltInMessages(builtIn);
    const QString dialog = QStringLiteral("Dialog");
    return Collect(
        [&](const Entry& e) {
            return ReadPackText(profiles, packPath, QString::fromLatin1(e.section),
                                QString::fromLatin1(e.key),
                                QString::fromUtf8(e.fallback ? e.fallback : e.builtIn));
        },
        [&](int i) {
            return ReadPackText(profiles, packPath, dialog,
                                QString::fromLatin1(MessageTable::keys()[i]), builtIn.texts[i]);
        });
}

LanguageTexts BuiltInLanguageTexts() {
    MessageTable builtIn;
    LoadBuiltInMessages(builtIn);
    return Collect([](const Entry& e) { return QString::fromUtf8(e.builtIn); },
                   [&](int i) { return builtIn.texts[i]; });
}

}  // namespace vm
