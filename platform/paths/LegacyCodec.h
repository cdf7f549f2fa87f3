// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace vm {

// The legacy code pages that old archives' names and old packs come in, by their Windows
// numbers. Each system converts them its own way (iconv, the code page API), and both give
// the same text for the same bytes.
enum class CodePage : unsigned {
    Gbk = 936,        // simplified Chinese; 0x80 is the euro sign
    Gb18030 = 54936,  // GBK and all that grew from it (four-byte sequences)
    Big5 = 950,       // traditional Chinese
    ShiftJis = 932,   // Japanese
    Windows1252 = 1252,
};

// The bytes as text of the code page; nothing when they are not valid in it (a byte that
// the code page leaves undefined included).
std::optional<QString> DecodeLegacy(QByteArrayView bytes, CodePage codePage);
// The text in the code page; nothing when a character has no place in it (never a stand-in).
std::optional<QByteArray> EncodeLegacy(QStringView text, CodePage codePage);

}  // namespace vm
