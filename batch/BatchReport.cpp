// SPDX-License-Identifier: GPL-3.0-or-later
#include "BatchReport.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <utility>

#include "convert/RunEngine.h"
#include "i18n/BatchTexts.h"
#include "i18n/DesktopTexts.h"
#include "i18n/MessageTable.h"
#include "i18n/TextPattern.h"
#include "platform/paths/PathBytes.h"

namespace vm {

namespace {

constexpr double kSpeedWindow = 20;  // seconds over which the current speed is measured
constexpr double kMegabyte = 1e6;

QByteArray heading(const MessageTable& messages, Message message) {
    return PathToBytes(messages[message].trimmed()) + ": ";
}

// A path in a line for people: the system's own separators, its bytes as they are.
QByteArray shownPath(const QString& path) {
    return PathToBytes(QDir::toNativeSeparators(path));
}

QByteArray statusName(FileState outcome) {
    switch (outcome) {
        case FileState::Done:
            return "done";
        case FileState::Skipped:
            return "skipped";
        default:
            return "failed";
    }
}

// Why a file failed, with the partial target that could not be removed.
QString ReasonOf(const FileReport& r) {
    return r.removalError.isEmpty()
               ? r.reason
               : r.reason + QStringLiteral("; ") + r.target + QStringLiteral(": ") + r.removalError;
}

QByteArray jsonText(const QString& text) {
    return text.isEmpty() ? QByteArray("null") : JsonString(PathToBytes(text));
}

QByteArray seconds(double s) {
    return QByteArray::number(s, 'f', 2);
}

// Length of the valid UTF-8 sequence at p (of n bytes left), 0 when there is none.
int utf8Length(const unsigned char* p, qsizetype n) {
    const unsigned char c = p[0];
    int length = 0;
    unsigned min = 0;
    if (c < 0x80) {
        return 1;
    } else if (c >= 0xc2 && c <= 0xdf) {
        length = 2;
        min = 0x80;
    } else if (c >= 0xe0 && c <= 0xef) {
        length = 3;
        min = 0x800;
    } else if (c >= 0xf0 && c <= 0xf4) {
        length = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (n < length) {
        return 0;
    }
    unsigned code = c & (0x7f >> length);
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xc0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (p[i] & 0x3f);
    }
    const bool surrogate = code >= 0xd800 && code <= 0xdfff;
    return code < min || code > 0x10ffff || surrogate ? 0 : length;
}

// How many terminal columns a character takes: none for marks that sit on the one before,
// two for the wide characters of East Asian scripts, one for the rest. Each half of a
// surrogate pair counts one, so a pair (an emoji, a rare ideograph) takes two. Worked out
// here rather than asked of the C library, whose answer hangs on the locale and which
// Windows lacks.
int Columns(QChar c) {
    if (c.isSurrogate()) {
        return 1;
    }
    switch (c.category()) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_Enclosing:
        case QChar::Other_Format:
            return 0;
        default:
            break;
    }
    static constexpr std::pair<char16_t, char16_t> kWide[] = {
        {0x1100, 0x115F}, {0x2329, 0x232A}, {0x2E80, 0x303E}, {0x3041, 0x33FF}, {0x3400, 0x4DBF},
        {0x4E00, 0x9FFF}, {0xA000, 0xA4CF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFE10, 0xFE19},
        {0xFE30, 0xFE6F}, {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6}};
    for (const auto& [first, last] : kWide) {
        if (c.unicode() >= first && c.unicode() <= last) {
            return 2;
        }
    }
    return 1;
}

}  // namespace

QByteArray JsonString(const QByteArray& bytes) {
    QByteArray out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        const int length = utf8Length(p + i, n - i);
        if (length == 0) {
            out += QByteArray("\\udc") + QByteArray::number(c, 16).rightJustified(2, '0');
            ++i;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
            ++i;
        } else if (c < 0x20 || c == 0x7f) {
            out += QByteArray("\\u00") + QByteArray::number(c, 16).rightJustified(2, '0');
            ++i;
        } else {
            out.append(bytes.constData() + i, length);
            i += length;
        }
    }
    return out + '"';
}

QString FormatDuration(double seconds) {
    const qint64 total = qint64(std::llround(std::max(0.0, seconds)));
    const qint64 h = total / 3600;
    const qint64 m = total / 60 % 60;
    const qint64 s = total % 60;
    const QString ms = QStringLiteral("%1:%2")
                           .arg(m, h ? 2 : 1, 10, QLatin1Char('0'))
                           .arg(s, 2, 10, QLatin1Char('0'));
    return h ? QString::number(h) + QLatin1Char(':') + ms : ms;
}

QString FitToColumns(const QString& text, int columns) {
    QString fitted;
    int used = 0;
    for (const QChar c : text) {
        const int width = Columns(c);
        if (used + width > columns) {
            break;
        }
        used += width;
        fitted += c;
    }
    return fitted;
}

BatchReport::BatchReport(const BatchTexts& texts, const MessageTable& messages,
                         const DesktopTexts& desktopTexts, bool json, std::FILE* out,
                         std::function<int()> columns)
    : texts_(texts),
      messages_(messages),
      desktopTexts_(desktopTexts),
      json_(json),
      out_(out),
      columns_(std::move(columns)) {}

void BatchReport::print(const QByteArray& line) {
    clearProgress();
    std::fwrite(line.constData(), 1, size_t(line.size()), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void BatchReport::clearProgress() {
    if (!shown_.isEmpty()) {
        std::fputs("\r\033[K", out_);
        shown_.clear();
    }
}

void BatchReport::fileFinished(const FileReport& r) {
    if (json_) {
        print("{\"source\":" + jsonText(r.source) + ",\"target\":" + jsonText(r.target) +
              ",\"status\":\"" + statusName(r.outcome) + "\",\"reason\":" + jsonText(ReasonOf(r)) +
              ",\"seconds\":" + seconds(r.seconds) + "}");
        return;
    }
    switch (r.outcome) {
        case FileState::Done:
            print(heading(messages_, Message::Done) + shownPath(r.source) + " -> " +
                  shownPath(r.target));
            break;
        case FileState::Skipped:
            print(heading(messages_, Message::Skipped) + shownPath(r.source) + " -> " +
                  shownPath(r.target));
            break;
        default:
            print(heading(messages_, Message::Error) + shownPath(r.source) + ": " +
                  PathToBytes(ReasonOf(r).simplified()));
            break;
    }
}

QString BatchReport::progressLine(const RunFigures& f, double elapsed) {
    samples_.emplace_back(elapsed, f.bytesDone);
    while (samples_.size() > 2 && samples_.at(1).first <= elapsed - kSpeedWindow) {
        samples_.pop_front();
    }
    const double span = elapsed - samples_.front().first;
    const double rate = span > 0 ? (f.bytesDone - samples_.front().second) / span : 0;
    const double left = double(f.bytesTotal) - f.bytesDone;
    const QString timeLeft = rate > 0 ? FormatDuration(left / rate) : QStringLiteral("--:--");
    const double mb = rate / kMegabyte;
    const int decimals = mb < 1 ? 2 : mb < 100 ? 1 : 0;
    return FillIn(texts_.progress, {QString::number(f.finished), QString::number(f.total),
                                    QString::number(mb, 'f', decimals), timeLeft});
}

void BatchReport::showProgress(const RunFigures& figures, double elapsed) {
    if (!columns_) {
        return;
    }
    // One column short of the width: a line that fills the last column would wrap on some
    // terminals, and "\r" would then draw over the wrong line.
    const QByteArray line =
        PathToBytes(FitToColumns(progressLine(figures, elapsed), columns_() - 1));
    if (line == shown_) {
        return;
    }
    std::fputs("\r\033[K", out_);
    std::fwrite(line.constData(), 1, size_t(line.size()), out_);
    std::fflush(out_);
    shown_ = line;
}

void BatchReport::summary(const RunFigures& figures, bool interrupted, double elapsed) {
    const int files = figures.total;
    const int notStarted = figures.total - figures.finished;
    const int done = figures.done;
    const int skipped = figures.skipped;
    const int failed = figures.failed;
    if (json_) {
        print("{\"summary\":true,\"files\":" + QByteArray::number(files) + ",\"done\":" +
              QByteArray::number(done) + ",\"skipped\":" + QByteArray::number(skipped) +
              ",\"failed\":" + QByteArray::number(failed) +
              ",\"not_started\":" + QByteArray::number(notStarted) + ",\"interrupted\":" +
              (interrupted ? "true" : "false") + ",\"seconds\":" + seconds(elapsed) + "}");
        return;
    }
    print(PathToBytes(FillIn(texts_.summary, {RunEndedBody(desktopTexts_, done, skipped, failed),
                                              FormatDuration(elapsed)})));
    if (interrupted) {
        print(PathToBytes(FillIn(texts_.interrupted, {QString::number(notStarted)})));
    }
}

}  // namespace vm
