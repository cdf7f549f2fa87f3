// SPDX-License-Identifier: GPL-3.0-or-later
// The legacy code pages through the system's code page tables.
#include "LegacyCodec.h"

#include <windows.h>

namespace vm {

namespace {

// Bytes that Windows-1252 leaves undefined: the code page API passes them through as C1
// controls, iconv refuses them; they are no text here either.
bool HoldsUndefined1252(QByteArrayView bytes) {
    for (const char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) {
            return true;
        }
    }
    return false;
}

// The code page's number. Where the system has no GB 18030 table (Wine), GBK stands in: the
// two-byte part of GB 18030, read alike; its four-byte sequences then count as invalid.
UINT PageOf(CodePage codePage) {
    static const bool hasGb18030 = ::IsValidCodePage(UINT(CodePage::Gb18030)) != 0;
    if (codePage == CodePage::Gb18030 && !hasGb18030) {
        return UINT(CodePage::Gbk);
    }
    return static_cast<UINT>(codePage);
}

}  // namespace

std::optional<QString> DecodeLegacy(QByteArrayView bytes, CodePage codePage) {
    if (bytes.isEmpty()) {
        return QString();
    }
    if (codePage == CodePage::Windows1252 && HoldsUndefined1252(bytes)) {
        return std::nullopt;
    }
    const UINT page = PageOf(codePage);
    const int length = static_cast<int>(bytes.size());
    const int needed =
        ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (needed <= 0) {
        return std::nullopt;
    }
    QString text(needed, Qt::Uninitialized);
    auto* out = reinterpret_cast<wchar_t*>(text.data());
    if (::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), length, out, needed) !=
        needed) {
        return std::nullopt;
    }
    return text;
}

std::optional<QByteArray> EncodeLegacy(QStringView text, CodePage codePage) {
    if (text.isEmpty()) {
        return QByteArray();
    }
    const UINT page = PageOf(codePage);
    const auto* in = reinterpret_cast<const wchar_t*>(text.utf16());
    const int length = static_cast<int>(text.size());
    // GB 18030 holds every character; the API refuses the best-fit question for it.
    const bool complete = page == UINT(CodePage::Gb18030);
    const DWORD flags = complete ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* askDefaulted = complete ? nullptr : &defaulted;
    const int needed =
        ::WideCharToMultiByte(page, flags, in, length, nullptr, 0, nullptr, askDefaulted);
    if (needed <= 0 || defaulted) {
        return std::nullopt;
    }
    QByteArray bytes(needed, Qt::Uninitialized);
    if (::WideCharToMultiByte(page, flags, in, length, bytes.data(), needed, nullptr,
                              askDefaulted) != needed ||
        defaulted) {
        return std::nullopt;
    }
    // Only what reads back as the same text (a lone surrogate, a C1 control in 1252 do not).
    const std::optional<QString> back = DecodeLegacy(bytes, codePage);
    if (!back || *back != text) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace vm
