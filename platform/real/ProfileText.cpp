// SPDX-License-Identifier: GPL-3.0-or-later
// The text encodings of profile files (ProfileFormat.h): UTF-8, else GBK through the code page
// of the system (LegacyCodec.h), so that a pack reads the same on every system.
#include "ProfileFormat.h"

#include "platform/paths/LegacyCodec.h"

namespace vm::profile {

bool IsValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) {
                lo = 0xA0;  // no overlong forms
            } else if (c == 0xED) {
                hi = 0x9F;  // no surrogates
            }
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) {
                lo = 0x90;
            } else if (c == 0xF4) {
                hi = 0x8F;  // nothing above U+10FFFF
            }
        } else {
            return false;
        }
        if (n - i < len) {
            return false;
        }
        if (p[i + 1] < lo || p[i + 1] > hi) {
            return false;
        }
        for (std::size_t k = 2; k < len; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF) {
                return false;
            }
        }
        i += len;
    }
    return true;
}

std::size_t CutAtCharacter(std::string_view bytes, std::size_t limit, Encoding encoding) {
    if (bytes.size() <= limit) {
        return bytes.size();
    }
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (encoding == Encoding::Utf8) {
        std::size_t cut = limit;
        // Step back over continuation bytes to the start of the character that crosses.
        while (cut > 0 && (p[cut] & 0xC0) == 0x80) {
            --cut;
        }
        return cut;
    }
    // GBK: a lead byte 0x81..0xFE takes the next byte with it (four-byte GB 18030
    // sequences are two such pairs, so they are cut between pairs at worst).
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t len = (p[i] >= 0x81 && p[i] <= 0xFE && i + 1 < bytes.size()) ? 2 : 1;
        if (i + len > limit) {
            break;
        }
        i += len;
    }
    return i;
}

QString Decode(std::string_view bytes, Encoding encoding) {
    const QByteArrayView view(bytes.data(), qsizetype(bytes.size()));
    if (encoding == Encoding::Utf8) {
        return QString::fromUtf8(view);
    }
    if (std::optional<QString> text = DecodeLegacy(view, CodePage::Gbk)) {
        return *text;
    }
    // Not all of it GBK: character by character, U+FFFD for what is none. A lead byte with a
    // byte that cannot follow it stands alone, so that a line's ASCII is never swallowed.
    QString text;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const auto trail = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        const bool pair =
            lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail != 0x7F && trail != 0xFF;
        const std::size_t length = pair ? 2 : 1;
        const std::optional<QString> character =
            DecodeLegacy(view.sliced(qsizetype(i), qsizetype(length)), CodePage::Gbk);
        text += character ? *character : QString(QChar::ReplacementCharacter);
        i += length;
    }
    return text;
}

std::optional<QByteArray> Encode(const QString& text, Encoding encoding) {
    if (encoding == Encoding::Utf8) {
        return text.toUtf8();
    }
    return EncodeLegacy(text, CodePage::Gbk);
}

QString ValueText(std::string_view stored, Encoding encoding) {
    std::size_t nul = stored.find('\0');
    if (nul != std::string_view::npos) {
        stored = stored.substr(0, nul);
    }
    stored = stored.substr(0, CutAtCharacter(stored, kMaxValueBytes, encoding));
    return Decode(stored, encoding);
}

}  // namespace vm::profile
