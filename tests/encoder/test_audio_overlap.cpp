// SPDX-License-Identifier: GPL-3.0-or-later
// Decoded audio cut where the next audio begins, checked on its own and through the real audio
// filter chain. Exit status 0 when all hold; each failure is printed.
#include <cstdio>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include "AudioOverlap.h"
#include "Av.h"
#include "Checks.h"
#include "Filters.h"

using namespace coder;
using namespace coder::test;

namespace {

constexpr AVRational kMs{1, 1000};

// A mono float frame at `pts` ms whose samples count up from `first`, so that a test can see
// which samples survive.
FramePtr frame(int64_t pts, int samples, int rate = 22050, float first = 0) {
    FramePtr f = newFrame();
    f->format = AV_SAMPLE_FMT_FLTP;
    f->sample_rate = rate;
    f->nb_samples = samples;
    av_channel_layout_default(&f->ch_layout, 1);
    if (av_frame_get_buffer(f.get(), 0) < 0) {
        throw Failure("out of memory");
    }
    auto* s = reinterpret_cast<float*>(f->data[0]);
    for (int i = 0; i < samples; ++i) {
        s[i] = first + float(i);
    }
    f->pts = pts;
    return f;
}

// Runs frames through, returns the sample counts given out (the last one included).
std::vector<int> through(AudioOverlap& o, std::vector<FramePtr> frames) {
    std::vector<int> counts;
    for (FramePtr& f : frames) {
        if (FramePtr out = o.next(std::move(f))) {
            counts.push_back(out->nb_samples);
        }
    }
    if (FramePtr out = o.last()) {
        counts.push_back(out->nb_samples);
    }
    return counts;
}

// Clean streams pass untouched: whole-millisecond timestamps make ordinary frames overlap
// the next a little, and small jitter is no damage.
void ordinaryFramesAreLeftAlone() {
    {
        // MP3 at 22050 Hz: 576 samples are 26.12 ms, stamped 0, 26, 52, 78, ...
        AudioOverlap o(kMs);
        std::vector<FramePtr> in;
        for (int i = 0; i < 40; ++i) {
            in.push_back(frame(i * 26123 / 1000, 576));
        }
        const std::vector<int> counts = through(o, std::move(in));
        check(counts == std::vector<int>(40, 576), "rounded timestamps cut nothing");
        check(o.cutUs() == 0, "nothing counted as cut");
    }
    {
        // Stamps that run up to 90 ms early, and a short last frame.
        AudioOverlap o(kMs);
        std::vector<FramePtr> in;
        for (int i = 0; i < 10; ++i) {
            in.push_back(frame(i * 186 - (i % 2) * 90, 4096));
        }
        in.push_back(frame(10 * 186, 700));
        std::vector<int> want(10, 4096);
        want.push_back(700);
        check(through(o, std::move(in)) == want, "jitter below the tolerance cuts nothing");
    }
    {
        // Several frames of one packet may carry the packet's time; a later frame stamped
        // before this one says nothing either.
        AudioOverlap o(kMs);
        check(through(o,
                      [] {
                          std::vector<FramePtr> v;
                          v.push_back(frame(100, 4096));
                          v.push_back(frame(100, 4096));
                          v.push_back(frame(50, 4096));
                          return v;
                      }()) == std::vector<int>({4096, 4096, 4096}),
              "frames that do not begin later are not taken as an end");
    }
    {
        AudioOverlap o(kMs);
        check(through(o,
                      [] {
                          std::vector<FramePtr> v;
                          v.push_back(frame(0, 22050 * 5));
                          return v;
                      }()) == std::vector<int>({22050 * 5}),
              "a stream of one frame has nothing to compare with and is kept");
    }
}

// A damaged packet that decodes to seconds is cut to end where the next packet begins; what
// is kept is the start of the frame, unchanged and uncopied.
void runawayFramesAreCut() {
    AudioOverlap o(kMs);
    check(!o.next(frame(0, 576)), "the first frame is held back");
    FramePtr longOne = frame(26, 22050 * 4, 22050, 1000);
    const uint8_t* buffer = longOne->data[0];
    FramePtr out = o.next(std::move(longOne));
    check(out && out->nb_samples == 576, "the frame before it is given out whole");
    out = o.next(frame(52, 576));
    check(out && out->nb_samples == 573, "4 s cut to the 26 ms until the next frame");
    check(out && out->data[0] == buffer, "cut in place, not copied");
    check(out && reinterpret_cast<const float*>(out->data[0])[572] == 1572.0f,
          "the kept samples are the frame's first ones");
    check(o.cutUs() > 3900000 && o.cutUs() < 4000000, "the cut time is counted");

    // The frame's own rate counts, not that of the frames before it.
    FramePtr slow = frame(78, 8000 * 3, 8000);
    o.next(std::move(slow));
    out = o.next(frame(178, 576));
    check(out && out->nb_samples == 800, "100 ms at 8000 Hz are 800 samples");
}

// Nothing follows the last frame, so it may be no longer than the latest ordinary frames.
void theLastFrameIsBounded() {
    AudioOverlap o(kMs);
    std::vector<FramePtr> in;
    for (int i = 0; i < 12; ++i) {
        in.push_back(frame(i * 186, i == 3 ? 2048 : 4096));
    }
    in.push_back(frame(12 * 186, 22050 * 6));
    std::vector<int> want(12, 4096);
    want[3] = 2048;
    want.push_back(4096);
    check(through(o, std::move(in)) == want, "a runaway last frame is cut to a usual length");
}

// A cut frame goes through the resampler and the channel mapping like any other: exactly
// its samples come out, at the output's rate and layout.
void cutFramesFilterCleanly() {
    for (int outRate : {22050, 44100}) {
        AudioOverlap o(kMs);
        o.next(frame(0, 22050 * 3, 22050, 0.0f));
        FramePtr cut = o.next(frame(500, 576));
        check(cut && cut->nb_samples == 11025, "cut to 500 ms");
        auto* samples = reinterpret_cast<float*>(cut->data[0]);
        for (int i = 0; i < cut->nb_samples; ++i) {
            samples[i] = 0.25f;  // a level to find again after the filters
        }
        FilterChain chain;
        AudioShape shape;
        shape.sampleRate = outRate;
        shape.channels = 2;
        shape.format = AV_SAMPLE_FMT_FLTP;
        chain.buildAudio(cut.get(), kMs, shape, true);
        chain.push(cut.get());
        chain.push(nullptr);
        FramePtr got = newFrame();
        int64_t total = 0;
        bool level = true;
        while (chain.pull(got.get()) == 0) {
            for (int c = 0; c < 2; ++c) {
                const auto* s = reinterpret_cast<const float*>(got->extended_data[c]);
                for (int i = 0; i < got->nb_samples; ++i) {
                    // Resampling rings at the edges only.
                    const int64_t at = total + i;
                    if (at > 64 && at < outRate / 2 - 64 && (s[i] < 0.24f || s[i] > 0.26f)) {
                        level = false;
                    }
                }
            }
            total += got->nb_samples;
            av_frame_unref(got.get());
        }
        char what[96];
        std::snprintf(what, sizeof what, "half a second out at %d Hz, got %lld samples", outRate,
                      static_cast<long long>(total));
        check(total >= outRate / 2 - 2 && total <= outRate / 2 + 2, what);
        check(level, "the kept samples come out on both sides at their level");
    }
}

}  // namespace

int main() {
    av_log_set_level(AV_LOG_ERROR);
    ordinaryFramesAreLeftAlone();
    runawayFramesAreCut();
    theLastFrameIsBounded();
    cutFramesFilterCleanly();
    return finish();
}
