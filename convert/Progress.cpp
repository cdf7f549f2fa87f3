// SPDX-License-Identifier: GPL-3.0-or-later
#include "Progress.h"

#include <cmath>

#include "RunView.h"
#include "platform/FileSystem.h"

namespace vm {

namespace {

constexpr double kBarOffset = 120.0;  // the bar starts this far left of its track

// The text between the first occurrence of a and the first occurrence of b.
std::optional<QString> between(const QString& line, QLatin1StringView a, QLatin1StringView b) {
    const qsizetype pa = line.indexOf(a);
    const qsizetype pb = line.indexOf(b);
    if (pa < 0 || pb < 0 || pb < pa + a.size()) {
        return std::nullopt;
    }
    return line.mid(pa + a.size(), pb - pa - a.size());
}

}  // namespace

std::optional<ProgressLine> ParseProgressLine(const QString& line) {
    ProgressLine p;
    if (line.startsWith(QLatin1String("frame="))) {
        p.video = true;
        const auto frame = between(line, QLatin1String("frame="), QLatin1String("q="));
        if (!frame) {
            return std::nullopt;
        }
        p.frame = *frame;
    } else if (!line.startsWith(QLatin1String("size="))) {
        return std::nullopt;
    }
    const auto bitrate = between(line, QLatin1String("bitrate="), QLatin1String("kbits"));
    const auto size = between(line, QLatin1String("size="), QLatin1String("kB time="));
    const auto time = between(line, QLatin1String("time="), QLatin1String("bitrate="));
    if (!bitrate || !size || !time) {
        return std::nullopt;
    }
    p.bitrate = *bitrate;
    p.size = *size;
    p.time = *time;
    return p;
}

std::optional<double> SizeInKb(const QString& sizeText) {
    bool ok = false;
    const double value = sizeText.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> FileBarWidth(bool videoLine, double sizeKb, double fileTrackWidth,
                                   qint64 sourceBytes) {
    if (sourceBytes <= 0) {
        return std::nullopt;
    }
    const double expected = videoLine ? double(sourceBytes) * 1.25 : double(sourceBytes) / 6;
    return sizeKb * fileTrackWidth * 1000 / expected + kBarOffset;
}

std::optional<double> TotalBarWidth(int index, int count, double fileBarWidth,
                                    double fileTrackWidth, double totalTrackWidth) {
    if (count <= 0 || fileTrackWidth == 0) {
        return std::nullopt;
    }
    return index * totalTrackWidth / count +
           (fileBarWidth / fileTrackWidth) * totalTrackWidth / count;
}

void ShowProgress(RunView& view, const FileSystem& files, const QString& lastLogLine, int index) {
    const std::optional<ProgressLine> line = ParseProgressLine(lastLogLine);
    if (!line) {
        return;
    }
    if (line->video) {
        view.setStatus(StatusField::Frame, line->frame);
    }
    view.setStatus(StatusField::Bitrate, line->bitrate);
    view.setStatus(StatusField::Size, line->size);
    view.setStatus(StatusField::Time, line->time);

    const std::optional<double> sizeKb = SizeInKb(view.status(StatusField::Size));
    if (!sizeKb) {
        return;
    }
    const double fileTrack = view.fileTrackWidth();
    const std::optional<double> fileWidth =
        FileBarWidth(line->video, *sizeKb, fileTrack, files.fileSize(view.currentSource()));
    if (!fileWidth) {
        return;
    }
    view.setFileBarWidth(float(*fileWidth));
    const std::optional<double> totalWidth =
        TotalBarWidth(index, int(view.sourceFiles().size()), view.fileBarWidth(), fileTrack,
                      view.totalTrackWidth());
    if (totalWidth) {
        view.setTotalBarWidth(float(*totalWidth));
    }
}

}  // namespace vm
