// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

namespace vm {

// A progress bar's left edge lies this far left of its track's inner edge, so a bar of width w
// shows w - kBarOffsetTwips of its fill.
constexpr int kBarOffsetTwips = 120;

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

// How far a file has come, where no bar shows it: the share of that expected output written
// so far, held to 0..1. Nothing for a source of length 0 or less.
std::optional<double> WrittenShare(bool videoLine, double sizeKb, qint64 sourceBytes);

// Width of the whole run's bar: the files before the current one plus its share.
std::optional<double> TotalBarWidth(int index, int count, double fileBarWidth,
                                    double fileTrackWidth, double totalTrackWidth);

// What the display shows of a run's progress: the four figures of the status area and the
// widths of the two bars (twips, single precision). A field left empty is left as it stands.
struct ProgressUpdate {
    std::optional<QString> frame = {};  // current frame
    std::optional<QString> bitrate = {};
    std::optional<QString> size = {};  // output so far, kB
    std::optional<QString> time = {};  // encoded time
    std::optional<float> fileBarWidth = {};
    std::optional<float> totalBarWidth = {};
};

// The update that the last log line brings, for the source of sourceBytes bytes at index (from
// 0) of count files, with bar tracks of the widths given. Nothing for a line that is not a
// progress line. The frame is left as it stands for an audio-only line; a size that is not a
// number, or a source that is empty or gone (sourceBytes <= 0), leaves the bars as they stand.
std::optional<ProgressUpdate> ProgressFromLogLine(const QString& lastLogLine, qint64 sourceBytes,
                                                  int index, int count, double fileTrackWidth,
                                                  double totalTrackWidth);

// At the end of a run: the figures empty, both bars at 0.
ProgressUpdate ClearedProgress();

}  // namespace vm
