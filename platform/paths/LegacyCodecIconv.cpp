// SPDX-License-Identifier: GPL-3.0-or-later
// The legacy code pages through iconv.
#include "LegacyCodec.h"

#include <iconv.h>

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace vm {

namespace {

const char* IconvName(CodePage codePage) {
    switch (codePage) {
        case CodePage::Gb18030:
            return "GB18030";
        case CodePage::Big5:
            return "CP950";
        case CodePage::ShiftJis:
            return "CP932";
        case CodePage::Windows1252:
            return "CP1252";
        case CodePage::Gbk:
            break;
    }
    return "GBK";  // glibc's GBK is code page 936 (0x80 included)
}

// The bytes converted between two encodings; nothing when they are not valid in the first or
// cannot be written in the second. Opening a converter costs far more than using it, so each
// one is opened once and kept for the life of the program.
std::optional<QByteArray> Convert(const char* to, const char* from, QByteArrayView bytes) {
    static std::mutex mutex;
    static std::map<std::pair<std::string, std::string>, iconv_t> open;
    const std::lock_guard<std::mutex> lock(mutex);
    iconv_t& cd = open[{to, from}];
    if (cd == nullptr) {
        cd = ::iconv_open(to, from);
    }
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    QByteArray out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char* at = out.data();
    size_t outLeft = size_t(out.size());
    if (::iconv(cd, &in, &inLeft, &at, &outLeft) == size_t(-1) || inLeft != 0) {
        return std::nullopt;
    }
    out.truncate(at - out.data());
    return out;
}

}  // namespace

std::optional<QString> DecodeLegacy(QByteArrayView bytes, CodePage codePage) {
    const std::optional<QByteArray> utf8 = Convert("UTF-8", IconvName(codePage), bytes);
    return utf8 ? std::optional<QString>(QString::fromUtf8(*utf8)) : std::nullopt;
}

std::optional<QByteArray> EncodeLegacy(QStringView text, CodePage codePage) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        // Half a surrogate pair is no character (toUtf8 would make it a '?').
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (text[i].isSurrogate()) {
            return std::nullopt;
        }
    }
    return Convert(IconvName(codePage), "UTF-8", text.toUtf8());
}

}  // namespace vm
