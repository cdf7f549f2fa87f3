// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

namespace vm {

class FileSystem;
class RunView;

// The figures of one progress line of the encoder's log, each cut out exactly (blanks kept).
struct ProgressLine {
    bool video = false;  // "frame=" line; otherwise a "size=" (audio only) line
    QString frame;       // video lines only
    QString bitrate;
    QString size;
    QString time;
};

// A line beginning "frame=" or "size=" (case-sensitive) with all of its markers in order;
// nothing for any other line, a closing "video" line and a damaged progress line included.
std::optional<ProgressLine> ParseProgressLine(const QString& line);

// The output size so far in kB, read as a number with blanks around it ignored.
std::optional<double> SizeInKb(const QString& sizeText);

// Width of the current file's bar in twips: the expected output is 1.25 times the source for a
// video line and a sixth of it for an audio-only line. Nothing for a source of length 0 or less.
std::optional<double> FileBarWidth(bool videoLine, double sizeKb, double fileTrackWidth,
                                   qint64 sourceBytes);

// Width of the whole run's bar: the files before the current one plus its share.
std::optional<double> TotalBarWidth(int index, int count, double fileBarWidth,
                                    double fileTrackWidth, double totalTrackWidth);

// Shows the last log line on the status labels and both bars; index is the current file's
// place in the list (from 0). A line that is not a progress line changes nothing; a size that
// is not a number or a source that is empty or gone leaves the bars as they are.
void ShowProgress(RunView& view, const FileSystem& files, const QString& lastLogLine, int index);

}  // namespace vm
