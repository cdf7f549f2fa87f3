// SPDX-License-Identifier: GPL-3.0-or-later
#include "PathBytes.h"

#include <QUrl>

namespace vm {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // a foreign byte b is kept as kEscapeBase + b

bool isEscape(char16_t c) {
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

// Length of the valid UTF-8 sequence at p[0] (n bytes left) with its code point; 0 when the
// bytes there are not one (overlong forms, surrogates and values past U+10FFFF included).
int utf8Sequence(const uchar* p, qsizetype n, char32_t* cp) {
    const uchar b = p[0];
    int len = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (b < 0x80) {
        *cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        len = 2, value = b & 0x1Fu, least = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3, value = b & 0x0Fu, least = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4, value = b & 0x07u, least = 0x10000;
    } else {
        return 0;
    }
    if (n < len) {
        return 0;
    }
    for (int k = 1; k < len; ++k) {
        if ((p[k] & 0xC0) != 0x80) {
            return 0;
        }
        value = value << 6 | (p[k] & 0x3Fu);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    *cp = value;
    return len;
}

void appendUtf8(QByteArray& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

QString PathFromBytes(QByteArrayView bytes) {
    QString path;
    path.reserve(bytes.size());
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        char32_t cp = 0;
        const int len = utf8Sequence(p + i, n - i, &cp);
        if (len == 0) {
            path += QChar(char16_t(kEscapeBase + p[i]));
            ++i;
            continue;
        }
        if (cp > 0xFFFF) {
            path += QChar(QChar::highSurrogate(cp));
            path += QChar(QChar::lowSurrogate(cp));
        } else {
            path += QChar(char16_t(cp));
        }
        i += len;
    }
    return path;
}

QByteArray PathToBytes(QStringView path) {
    QByteArray bytes;
    bytes.reserve(path.size());
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = path[i].unicode();
        if (c < 0x80) {
            bytes += char(c);
        } else if (isEscape(c)) {
            bytes += char(c - kEscapeBase);
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && path[i + 1].isLowSurrogate()) {
            appendUtf8(bytes, QChar::surrogateToUcs4(c, path[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            appendUtf8(bytes, QChar::ReplacementCharacter);  // half a pair stands for nothing
        } else {
            appendUtf8(bytes, c);
        }
    }
    return bytes;
}

bool HoldsForeignBytes(QStringView path) {
    for (const QChar c : path) {
        if (isEscape(c.unicode())) {
            return true;
        }
    }
    return false;
}

}  // namespace vm
