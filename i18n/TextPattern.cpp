// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextPattern.h"

namespace vm {

QString FillIn(const QString& pattern, const QStringList& values) {
    QString text;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        const qsizetype n = i + 1 < pattern.size() ? pattern.at(i + 1).unicode() - '0' : 0;
        if (c == QLatin1Char('%') && n >= 1 && n <= values.size()) {
            text += values.at(n - 1);
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

bool HasMarkers(const QString& pattern, int count) {
    for (int n = 1; n <= count; ++n) {
        if (!pattern.contains(QLatin1Char('%') + QString::number(n))) {
            return false;
        }
    }
    return true;
}

}  // namespace vm
