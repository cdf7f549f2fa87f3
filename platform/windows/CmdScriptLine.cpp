// SPDX-License-Identifier: GPL-3.0-or-later
// The script line for cmd.exe, whose program (the encoder) splits its command line by the
// rules of CommandLineToArgvW.
//
// cmd first replaces %...% in a batch file's line, wherever it stands, so every '%' is
// doubled. Between double quotes, '&', '|', '<', '>', '^', '(' and blanks are literal to cmd.
// Any '"' toggles cmd's quoting, and the cmds do not agree on an escape for it (Wine's takes
// no ^"), so a '"' in a value, which no valid value holds, becomes ' and the encoder judges
// the value as it would any other wrong one; Windows names hold none. The program reads 2n
// backslashes before a quote as n and the quote as a delimiter, so backslashes before the
// closing quote are doubled. A line break in a value would end the line, and a control
// character may end the file for cmd: each becomes a blank.
#include "platform/ScriptLine.h"

namespace vm {

namespace {

bool isPlainWordChar(QChar c) {
    if (c.unicode() >= 128) {
        return false;
    }
    const char a = char(c.unicode());
    return (a >= 'a' && a <= 'z') || (a >= 'A' && a <= 'Z') || (a >= '0' && a <= '9') ||
           QByteArrayView(".,_+-:=@/").contains(a);
}

QString quoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    out += QLatin1Char('"');
    qsizetype backslashes = 0;
    for (QChar c : text) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            out += c;
            continue;
        }
        if (c == QLatin1Char('"')) {
            out += QLatin1Char('\'');
        } else if (c == QLatin1Char('%')) {
            out += QStringLiteral("%%");
        } else if (c.unicode() < 0x20 && c != QLatin1Char('\t')) {
            out += QLatin1Char(' ');
        } else {
            out += c;
        }
        backslashes = 0;
    }
    out += QString(backslashes, QLatin1Char('\\'));
    out += QLatin1Char('"');
    return out;
}

}  // namespace

QString ScriptPath(const QString& path) {
    return quoted(
        QString(path).replace(QLatin1Char('/'), QLatin1Char('\\')));  // as Windows shows it
}

QString ScriptWord(const QString& value) {
    if (value.isEmpty()) {
        return QStringLiteral("\"\"");
    }
    for (const QChar c : value) {
        if (!isPlainWordChar(c)) {
            return quoted(value);
        }
    }
    return value;
}

QString ScriptErrorTo(const QString& path) {
    return QStringLiteral("2>") + ScriptPath(path);
}

QString ScriptInterpreter() {
    return QStringLiteral("cmd.exe");
}

}  // namespace vm
