// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadablePath.h"

#include <QDir>
#include <array>
#include <optional>

#include "LegacyCodec.h"
#include "PathBytes.h"

namespace vm {

namespace {

constexpr std::array kEncodings = {LegacyEncoding::Gbk, LegacyEncoding::Big5,
                                   LegacyEncoding::ShiftJis, LegacyEncoding::Windows1252};
// What the preferred encoding gains in a close call: less than one likely character.
constexpr int kPreferredBonus = 2;

CodePage CodePageOf(LegacyEncoding encoding) {
    switch (encoding) {
        case LegacyEncoding::Big5:
            return CodePage::Big5;
        case LegacyEncoding::ShiftJis:
            return CodePage::ShiftJis;
        case LegacyEncoding::Windows1252:
            return CodePage::Windows1252;
        case LegacyEncoding::Gbk:
            break;
    }
    return CodePage::Gb18030;  // GBK and all that grew from it
}

// The bytes as text of the encoding; nothing when they are not valid in it.
std::optional<QString> Decode(const QByteArray& bytes, LegacyEncoding encoding) {
    return DecodeLegacy(bytes, CodePageOf(encoding));
}

// Simplified Chinese as GB2312 writes it: in GBK, both bytes of each character at 0xA1 or
// above (GBK's additions lie below, in the lead or the trail byte), outside the user areas
// (leads 0xAA..0xAF and 0xF8 on).
bool WrittenInGb2312(const QString& text) {
    const std::optional<QByteArray> gbk = EncodeLegacy(text, CodePage::Gbk);
    if (!gbk) {
        return false;
    }
    for (qsizetype i = 0; i < gbk->size(); ++i) {
        if (uchar(gbk->at(i)) < 0x80) {
            continue;
        }
        const uchar lead = uchar(gbk->at(i));
        const bool userArea = (lead >= 0xAA && lead <= 0xAF) || lead >= 0xF8;
        if (lead < 0xA1 || userArea || i + 1 >= gbk->size() || uchar(gbk->at(i + 1)) < 0xA1) {
            return false;
        }
        ++i;
    }
    return true;
}

uchar At(const QByteArray& bytes, qsizetype i) {
    return i < bytes.size() ? uchar(bytes.at(i)) : 0;
}

bool IsAsciiLetter(uchar c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// How much bytes read in an encoding look like a name that someone gave a file: characters
// that the encoding's users write often count for it (the first level of hanzi or kanji,
// kana), characters from its rare corners (extensions, user areas, half-width kana) against
// it; ASCII counts for nothing. Each character's weight follows from where its bytes lie.
struct Weighed {
    int bytes;  // the character's length
    int weight;
};

// The sum of the weights that weigh(lead, trail) gives the characters beyond ASCII.
template <typename Weigh>
int SumOfWeights(const QByteArray& b, Weigh weigh) {
    int score = 0;
    for (qsizetype i = 0; i < b.size();) {
        if (At(b, i) < 0x80) {
            ++i;
            continue;
        }
        const Weighed character = weigh(At(b, i), At(b, i + 1));
        score += character.weight;
        i += character.bytes;
    }
    return score;
}

int ScoreGbk(const QByteArray& b) {
    return SumOfWeights(b, [](uchar lead, uchar trail) -> Weighed {
        if (trail >= 0x30 && trail <= 0x39) {
            return {4, -3};  // four bytes: far beyond GBK
        }
        if (trail >= 0xA1 && lead >= 0xB0 && lead <= 0xD7) {
            return {2, 3};  // GB2312's first level: the common hanzi
        }
        if (trail >= 0xA1 && ((lead >= 0xD8 && lead <= 0xF7) || lead == 0xA1 || lead == 0xA3)) {
            return {2, 0};  // the second level; punctuation, full-width letters and digits
        }
        if (trail >= 0xA1 && lead <= 0xA9) {
            return {2, -1};  // kana, Greek, Cyrillic, box drawing
        }
        return {2, -2};  // GBK's extensions and user areas
    });
}

int ScoreBig5(const QByteArray& b) {
    return SumOfWeights(b, [](uchar lead, uchar trail) -> Weighed {
        const int code = lead << 8 | trail;
        if (code >= 0xA440 && code <= 0xC67E) {
            return {2, 3};  // the frequent hanzi
        }
        if ((code >= 0xC940 && code <= 0xF9D5) || (code >= 0xA140 && code <= 0xA3BF)) {
            return {2, 0};  // the less frequent ones; punctuation and symbols
        }
        return {2, -2};
    });
}

int ScoreShiftJis(const QByteArray& b) {
    return SumOfWeights(b, [](uchar lead, uchar trail) -> Weighed {
        const int code = lead << 8 | trail;
        if (lead >= 0xA1 && lead <= 0xDF) {
            return {1, -2};  // half-width katakana: rare in names
        }
        if ((lead == 0x82 && trail >= 0x9F) || (lead == 0x83 && trail <= 0x96) ||
            (code >= 0x889F && code <= 0x9872)) {
            return {2, 3};  // hiragana, katakana, JIS level 1 kanji
        }
        if (lead <= 0x84 || (code >= 0x989F && code <= 0xEAA4)) {
            return {2, 0};  // punctuation, full-width letters; level 2 kanji
        }
        return {2, -2};  // vendor extensions, user areas
    });
}

int ScoreWindows1252(const QByteArray& b, const QString& text) {
    // One character per byte. A Western name holds an accented letter here and there between
    // plain letters; text of another encoding read this way gives runs of accents and signs.
    int score = 0;
    for (qsizetype i = 0; i < b.size() && i < text.size(); ++i) {
        if (At(b, i) < 0x80) {
            continue;
        }
        const char16_t c = text.at(i).unicode();
        const bool letter = (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7) ||
                            QStringView(u"ŠšŒœŽžŸ").contains(QChar(c));
        const bool typographic = QStringView(u"‘’“”–—…•").contains(QChar(c));
        if (letter) {
            score += (i > 0 && IsAsciiLetter(At(b, i - 1))) || IsAsciiLetter(At(b, i + 1)) ? 2 : -1;
        } else if (!typographic) {
            score -= 1;
        }
    }
    return score;
}

int Score(const QByteArray& bytes, const QString& text, LegacyEncoding encoding) {
    switch (encoding) {
        case LegacyEncoding::Big5:
            return ScoreBig5(bytes);
        case LegacyEncoding::ShiftJis:
            return ScoreShiftJis(bytes);
        case LegacyEncoding::Windows1252:
            return ScoreWindows1252(bytes, text);
        case LegacyEncoding::Gbk:
            break;
    }
    return ScoreGbk(bytes);
}

// The bytes read in the encoding that fits them and reads most like a name; nothing when no
// encoding fits.
std::optional<QString> BestReading(const QByteArray& bytes, LegacyEncoding preferred) {
    std::optional<QString> best;
    int bestScore = 0;
    for (const LegacyEncoding encoding : kEncodings) {
        const std::optional<QString> text = Decode(bytes, encoding);
        if (!text) {
            continue;
        }
        const int score =
            Score(bytes, *text, encoding) + (encoding == preferred ? kPreferredBonus : 0);
        // Ties go to the preferred encoding, then to the order of kEncodings.
        if (!best || score > bestScore || (score == bestScore && encoding == preferred)) {
            best = text;
            bestScore = score;
        }
    }
    return best;
}

// Bytes beyond UTF-8 as "\xHH", the rest as it is.
QString Escaped(const QString& part) {
    QString shown;
    for (const QChar c : part) {
        if (HoldsForeignBytes(QStringView(&c, 1))) {
            shown += QString::asprintf("\\x%02X", uint(uchar(PathToBytes(QStringView(&c, 1))[0])));
        } else {
            shown += c;
        }
    }
    return shown;
}

bool IsBoundary(QChar c) {
    return c == QLatin1Char('/') || c == QLatin1Char('"') || c.unicode() < 0x20;
}

}  // namespace

LegacyEncoding LegacyEncodingForLanguage(const QString& languageName) {
    const QString name = languageName.toLower();
    bool han = false;
    for (const QChar c : languageName) {
        if (c.unicode() >= 0x3040 && c.unicode() <= 0x30FF) {
            return LegacyEncoding::ShiftJis;  // kana
        }
        han = han || (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF);
    }
    if (languageName.contains(QStringLiteral("日本")) || name.contains(QLatin1String("japan"))) {
        return LegacyEncoding::ShiftJis;
    }
    if (name.contains(QLatin1String("tradition")) || name.contains(QLatin1String("taiwan")) ||
        name.contains(QLatin1String("hong kong"))) {
        return LegacyEncoding::Big5;
    }
    if (han) {
        // A name that simplified Chinese cannot write is written in traditional characters.
        return WrittenInGb2312(languageName) ? LegacyEncoding::Gbk : LegacyEncoding::Big5;
    }
    if (name.contains(QLatin1String("chinese"))) {
        return LegacyEncoding::Gbk;
    }
    return LegacyEncoding::Windows1252;
}

QString ReadablePath(const QString& path, LegacyEncoding preferred) {
    if (!HoldsForeignBytes(path)) {
        return QDir::toNativeSeparators(path);
    }
    // Pieces between boundaries; none of these characters is ever part of a multi-byte
    // character of the legacy encodings, so cutting there splits no character.
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i == path.size() || IsBoundary(path.at(i))) {
            pieces.append(path.mid(start, i - start));
            if (i < path.size()) {
                pieces.append(path.mid(i, 1));
            }
            start = i + 1;
        }
    }
    for (QString& piece : pieces) {
        if (HoldsForeignBytes(piece)) {
            piece = BestReading(PathToBytes(piece), preferred).value_or(Escaped(piece));
        }
    }
    return QDir::toNativeSeparators(pieces.join(QString()));
}

QString ReadableText(const QString& text, LegacyEncoding preferred) {
    // The encoder's "\xHH" for a byte beyond ASCII stands for that byte.
    QString bytesKept;
    bytesKept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\') && i + 3 < text.size() &&
            text.at(i + 1) == QLatin1Char('x')) {
            bool ok = false;
            const uint value = text.mid(i + 2, 2).toUInt(&ok, 16);
            if (ok && value >= 0x80 && value <= 0xFF) {
                bytesKept += PathFromBytes(QByteArray(1, char(value)));
                i += 3;
                continue;
            }
        }
        bytesKept += text.at(i);
    }
    return ReadablePath(bytesKept, preferred);
}

}  // namespace vm
