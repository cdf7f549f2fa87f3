// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <deque>
#include <functional>
#include <utility>

namespace vm {

struct BatchTexts;
struct DesktopTexts;
struct FileReport;
struct MessageTable;
struct RunFigures;

// What the batch program prints as a run goes. One line per finished file and a summary; on a
// terminal, in addition, one progress line for the whole run that is drawn again in place;
// with json, one JSON object per file and one for the summary instead of the lines.
class BatchReport {
  public:
    // columns: the terminal's width, asked each time the progress line is drawn; without it
    // (a pipe, a log) no progress line is drawn.
    BatchReport(const BatchTexts& texts, const MessageTable& messages,
                const DesktopTexts& desktopTexts, bool json, std::FILE* out,
                std::function<int()> columns = {});

    void fileFinished(const FileReport& report);
    // figures at elapsed seconds into the run.
    void showProgress(const RunFigures& figures, double elapsed);
    // The figures at the end; interrupted: a stop ended the run, leaving the files without an
    // outcome unstarted.
    void summary(const RunFigures& figures, bool interrupted, double elapsed);

  private:
    void print(const QByteArray& line);
    void clearProgress();
    QString progressLine(const RunFigures& figures, double elapsed);

    const BatchTexts& texts_;
    const MessageTable& messages_;
    const DesktopTexts& desktopTexts_;
    bool json_;
    std::FILE* out_;
    std::function<int()> columns_;
    QByteArray shown_;                               // the progress line on the terminal now
    std::deque<std::pair<double, double>> samples_;  // (elapsed, bytes done), for the speed
};

// The text as a JSON string. Names are bytes: a byte that is no part of valid UTF-8 becomes
// the escape of a lone surrogate U+DC80 to U+DCFF, which a reader that decodes file names
// that way (Python's "surrogateescape") turns back into the very byte.
QByteArray JsonString(const QByteArray& bytes);

// "0:07", "12:34", "1:02:03".
QString FormatDuration(double seconds);

// The text cut so that it fills at most columns of a terminal (wide characters take two).
QString FitToColumns(const QString& text, int columns);

}  // namespace vm
