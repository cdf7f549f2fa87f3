// SPDX-License-Identifier: GPL-3.0-or-later
// The script line for /bin/sh: a path goes inside double quotes, where '\', '"', '$' and '`'
// get a backslash, so that the shell takes it literally whatever it holds (blanks, ';', '|',
// '&', newlines, ...). A path without those characters gives the line unchanged.
#include "platform/ScriptLine.h"

#include "platform/paths/PathBytes.h"

namespace vm {

namespace {

bool isPlainWordChar(QChar c) {
    if (c.unicode() >= 128) {
        return false;
    }
    const char a = char(c.unicode());
    return (a >= 'a' && a <= 'z') || (a >= 'A' && a <= 'Z') || (a >= '0' && a <= '9') ||
           QByteArrayView(".,_+-:=%@/").contains(a);
}

}  // namespace

QString ScriptPath(const QString& path) {
    QString quoted;
    quoted.reserve(path.size() + 8);
    quoted += QLatin1Char('"');
    for (const QChar c : path) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"') || c == QLatin1Char('$') ||
            c == QLatin1Char('`')) {
            quoted += QLatin1Char('\\');
        }
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return quoted;
}

QString ScriptWord(const QString& value) {
    if (value.isEmpty()) {
        return QStringLiteral("\"\"");
    }
    for (const QChar c : value) {
        if (!isPlainWordChar(c)) {
            return ScriptPath(value);
        }
    }
    return value;
}

QString ScriptErrorTo(const QString& path) {
    return QStringLiteral("2>") + ScriptWord(path);
}

QByteArray ScriptFileText(const QString& line) {
    return PathToBytes(line) + '\n';
}

QString ScriptInterpreter() {
    return QStringLiteral("/bin/sh");
}

}  // namespace vm
