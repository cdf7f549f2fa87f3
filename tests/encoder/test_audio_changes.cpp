// SPDX-License-Identifier: GPL-3.0-or-later
// Audio whose rate, sample format or channels change midstream, through the real audio filter
// chain as the stream encoder drives it: every frame but the last keeps the encoder's size
// (encoders take a short frame only as the last), time runs on without a gap or a jump, and
// the length is the source's. Exit status 0 when all hold; each failure is printed.
#include <cstdio>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include "Av.h"
#include "Checks.h"
#include "Filters.h"

using namespace coder;
using namespace coder::test;

namespace {

constexpr AVRational kMs{1, 1000};

struct Piece {
    AVSampleFormat format;
    int rate;
    int channels;
    int ms;  // how long
};

// 20 ms frames of a constant level, stamped in ms from `startMs`.
std::vector<FramePtr> frames(const Piece& p, int64_t startMs) {
    std::vector<FramePtr> out;
    for (int at = 0; at < p.ms; at += 20) {
        FramePtr f = newFrame();
        f->format = p.format;
        f->sample_rate = p.rate;
        f->nb_samples = p.rate / 50;
        av_channel_layout_default(&f->ch_layout, p.channels);
        if (av_frame_get_buffer(f.get(), 0) < 0) {
            throw Failure("out of memory");
        }
        av_samples_set_silence(f->extended_data, 0, f->nb_samples, p.channels, p.format);
        f->pts = startMs + at;
        out.push_back(std::move(f));
    }
    return out;
}

void shapeChangesKeepFramesWholeAndTimeRunning() {
    const std::vector<Piece> pieces = {{AV_SAMPLE_FMT_FLTP, 44100, 2, 1000},
                                       {AV_SAMPLE_FMT_FLTP, 22050, 1, 1000},
                                       {AV_SAMPLE_FMT_S16, 48000, 2, 1000},
                                       {AV_SAMPLE_FMT_S16P, 48000, 1, 1000}};
    for (const int frameSize : {1152, 2048}) {
        AudioShape shape;
        shape.sampleRate = 22050;
        shape.channels = 2;
        shape.format = AV_SAMPLE_FMT_FLTP;
        shape.frameSize = frameSize;
        FilterChain chain;
        std::vector<int64_t> sizes, pts;
        FramePtr got = newFrame();
        auto drain = [&] {
            while (chain.pull(got.get()) == 0) {
                sizes.push_back(got->nb_samples);
                pts.push_back(got->pts);
                av_frame_unref(got.get());
            }
        };
        bool first = true;
        int64_t at = 0;
        for (const Piece& p : pieces) {
            for (FramePtr& f : frames(p, at)) {
                if (chain.needsRebuild(f.get())) {
                    chain.buildAudio(f.get(), kMs, shape, first);
                    first = false;
                }
                chain.push(f.get());
                drain();
            }
            at += p.ms;
        }
        chain.push(nullptr);
        drain();

        bool whole = !sizes.empty(), running = true;
        int64_t total = 0;
        for (size_t i = 0; i < sizes.size(); ++i) {
            whole = whole && (i + 1 == sizes.size() || sizes[i] == frameSize);
            running = running && (i == 0 || pts[i] == pts[i - 1] + sizes[i - 1]);
            total += sizes[i];
        }
        char what[128];
        std::snprintf(what, sizeof what, "frames of %d: all but the last whole", frameSize);
        check(whole, what);
        check(!pts.empty() && pts[0] == 0, "the audio starts at 0");
        check(running, "each frame starts where the one before ended");
        std::snprintf(what, sizeof what, "4 s long within a frame: %lld samples",
                      static_cast<long long>(total));
        check(total > 4 * 22050 - frameSize && total < 4 * 22050 + frameSize, what);
    }
}

// A change after a gap keeps the gap: the new audio starts at its timestamp, not at once.
void aGapAtAChangeStays() {
    AudioShape shape;
    shape.sampleRate = 22050;
    shape.channels = 1;
    shape.format = AV_SAMPLE_FMT_FLTP;
    shape.frameSize = 1152;
    FilterChain chain;
    int64_t total = 0;
    FramePtr got = newFrame();
    bool first = true;
    for (const auto& [piece, start] :
         {std::pair{Piece{AV_SAMPLE_FMT_FLTP, 44100, 1, 1000}, 0},
          std::pair{Piece{AV_SAMPLE_FMT_FLTP, 32000, 2, 1000}, 1500}}) {
        for (FramePtr& f : frames(piece, start)) {
            if (chain.needsRebuild(f.get())) {
                chain.buildAudio(f.get(), kMs, shape, first);
                first = false;
            }
            chain.push(f.get());
        }
    }
    chain.push(nullptr);
    while (chain.pull(got.get()) == 0) {
        total += got->nb_samples;
        av_frame_unref(got.get());
    }
    check(total > int64_t(2.5 * 22050) - 1152 && total < int64_t(2.5 * 22050) + 1152,
          "a second of audio, half a second of silence, a second of audio");
}

}  // namespace

int main() {
    av_log_set_level(AV_LOG_ERROR);
    shapeChangesKeepFramesWholeAndTimeRunning();
    aGapAtAChangeStays();
    return finish();
}
