// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowProgress.h"

#include <algorithm>
#include <cmath>

#include "contract/EncoderContract.h"

namespace vm {

namespace {

QLatin1StringView mark(std::string_view text) {
    return {text.data(), qsizetype(text.size())};
}

// The text between the first occurrence of a and the first occurrence of b.
std::optional<QString> between(const QString& line, QLatin1StringView a, QLatin1StringView b) {
    const qsizetype pa = line.indexOf(a);
    const qsizetype pb = line.indexOf(b);
    if (pa < 0 || pb < 0 || pb < pa + a.size()) {
        return std::nullopt;
    }
    return line.mid(pa + a.size(), pb - pa - a.size());
}

// The output expected of a source: 1.25 times the source for a video line, a sixth of it for an
// audio-only line.
double ExpectedOutputBytes(bool videoLine, qint64 sourceBytes) {
    return videoLine ? double(sourceBytes) * 1.25 : double(sourceBytes) / 6;
}

}  // namespace

std::optional<ProgressLine> ParseProgressLine(const QString& line) {
    ProgressLine p;
    if (line.startsWith(mark(contract::kFrameMark))) {
        p.video = true;
        const auto frame =
            between(line, mark(contract::kFrameMark), mark(contract::kQuantiserMark));
        if (!frame) {
            return std::nullopt;
        }
        p.frame = *frame;
    } else if (!line.startsWith(mark(contract::kSizeMark))) {
        return std::nullopt;
    }
    const auto bitrate =
        between(line, mark(contract::kBitrateMark), mark(contract::kBitrateEndMark));
    const auto size = between(line, mark(contract::kSizeMark), mark(contract::kSizeEndMark));
    const auto time = between(line, mark(contract::kTimeMark), mark(contract::kBitrateMark));
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
    return sizeKb * fileTrackWidth * 1000 / ExpectedOutputBytes(videoLine, sourceBytes) +
           kBarOffsetTwips;
}

std::optional<double> WrittenShare(bool videoLine, double sizeKb, qint64 sourceBytes) {
    if (sourceBytes <= 0) {
        return std::nullopt;
    }
    return std::clamp(sizeKb * 1000 / ExpectedOutputBytes(videoLine, sourceBytes), 0.0, 1.0);
}

std::optional<double> TotalBarWidth(int index, int count, double fileBarWidth,
                                    double fileTrackWidth, double totalTrackWidth) {
    if (count <= 0 || fileTrackWidth == 0) {
        return std::nullopt;
    }
    return index * totalTrackWidth / count +
           (fileBarWidth / fileTrackWidth) * totalTrackWidth / count;
}

std::optional<ProgressUpdate> ProgressFromLogLine(const QString& lastLogLine, qint64 sourceBytes,
                                                  int index, int count, double fileTrackWidth,
                                                  double totalTrackWidth) {
    const std::optional<ProgressLine> line = ParseProgressLine(lastLogLine);
    if (!line) {
        return std::nullopt;
    }
    ProgressUpdate update;
    if (line->video) {
        update.frame = line->frame;
    }
    update.bitrate = line->bitrate;
    update.size = line->size;
    update.time = line->time;

    const std::optional<double> sizeKb = SizeInKb(line->size);
    if (!sizeKb) {
        return update;
    }
    const std::optional<double> fileWidth =
        FileBarWidth(line->video, *sizeKb, fileTrackWidth, sourceBytes);
    if (!fileWidth) {
        return update;
    }
    // The bar keeps single precision; the whole run's share is taken from the width it keeps.
    update.fileBarWidth = static_cast<float>(*fileWidth);
    const std::optional<double> totalWidth =
        TotalBarWidth(index, count, double(*update.fileBarWidth), fileTrackWidth, totalTrackWidth);
    if (totalWidth) {
        update.totalBarWidth = static_cast<float>(*totalWidth);
    }
    return update;
}

ProgressUpdate ClearedProgress() {
    return {QString(), QString(), QString(), QString(), 0.f, 0.f};
}

}  // namespace vm
