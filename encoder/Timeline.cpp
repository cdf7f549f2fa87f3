// SPDX-License-Identifier: GPL-3.0-or-later
#include "Timeline.h"

#include <algorithm>
#include <cstdlib>

namespace coder {

namespace {

constexpr AVRational kMicro{1, 1000000};
// A leap ahead longer than this (and than a few usual steps) that no other stream fills is
// a discontinuity; so is a stream starting this far from the others.
constexpr int64_t kMaxGapUs = 1000000;
// Timestamps beyond this (in any time base) are taken as missing: they cannot be real, and
// arithmetic on them could overflow.
constexpr int64_t kInsane = int64_t(1) << 52;

int64_t us(int64_t ts, AVRational tb) {
    return av_rescale_q(ts, tb, kMicro);
}

int64_t fromUs(int64_t t, AVRational tb) {
    return av_rescale_q(t, kMicro, tb);
}

// The distance between two packets before any has been seen: a frame at the stream's own
// rate, or an audio frame's length, else 40 ms.
int64_t firstStep(const AVStream& st) {
    const AVCodecParameters& par = *st.codecpar;
    if (par.codec_type == AVMEDIA_TYPE_VIDEO) {
        for (AVRational r : {st.avg_frame_rate, st.r_frame_rate}) {
            if (r.num > 0 && r.den > 0 && av_q2d(r) >= 1 && av_q2d(r) <= 120) {
                return std::max<int64_t>(1, av_rescale_q(1, av_inv_q(r), st.time_base));
            }
        }
    } else if (par.frame_size > 0 && par.sample_rate > 0) {
        return std::max<int64_t>(1,
                                 av_rescale_q(par.frame_size, {1, par.sample_rate}, st.time_base));
    }
    return std::max<int64_t>(1, fromUs(40000, st.time_base));
}

}  // namespace

Timeline::Timeline(const AVFormatContext& fmt, std::vector<int> streams) {
    const int64_t start = fmt.start_time == AV_NOPTS_VALUE || std::llabs(fmt.start_time) > kInsane
                              ? 0
                              : fmt.start_time;
    for (int index : streams) {
        if (index < 0 || unsigned(index) >= fmt.nb_streams) {
            continue;
        }
        const AVStream& st = *fmt.streams[index];
        Track t;
        t.index = index;
        t.tb = st.time_base;
        t.offset = -av_rescale_q(start, AV_TIME_BASE_Q, t.tb);
        t.step = firstStep(st);
        tracks_.push_back(t);
    }
}

Timeline::Track* Timeline::find(int index) {
    for (Track& t : tracks_) {
        if (t.index == index) {
            return &t;
        }
    }
    return nullptr;
}

int64_t Timeline::latestEndUs(const Track& except) const {
    int64_t latest = AV_NOPTS_VALUE;
    for (const Track& t : tracks_) {
        if (&t != &except && t.last != AV_NOPTS_VALUE) {
            latest = std::max(latest, t.endUs);
        }
    }
    return latest;
}

bool Timeline::coveredByOthers(const Track& t, int64_t atUs) const {
    const int64_t latest = latestEndUs(t);
    return latest != AV_NOPTS_VALUE && latest + kMaxGapUs >= atUs;
}

void Timeline::rebase(AVPacket& pkt) {
    Track* t = find(pkt.stream_index);
    if (!t) {
        return;
    }
    for (int64_t* ts : {&pkt.pts, &pkt.dts}) {
        if (*ts != AV_NOPTS_VALUE && std::llabs(*ts) > kInsane) {
            *ts = AV_NOPTS_VALUE;
        }
    }
    const int64_t key = pkt.dts != AV_NOPTS_VALUE ? pkt.dts : pkt.pts;
    if (key == AV_NOPTS_VALUE) {
        return;  // the decoder's guess from the previous frame is as good as ours
    }
    int64_t at = key + t->offset;
    const int64_t atUs = us(at, t->tb);
    int64_t wanted = at;
    if (t->last == AV_NOPTS_VALUE) {
        // A stream's first packet: where the others are, or the start.
        const int64_t others = latestEndUs(*t);
        const int64_t reference = others == AV_NOPTS_VALUE ? 0 : others;
        if (std::llabs(atUs - reference) > kMaxGapUs) {
            wanted = fromUs(reference, t->tb);
        }
    } else {
        const int64_t delta = at - t->last;
        const int64_t gap = at - t->end;
        const int64_t allowed = std::max(fromUs(kMaxGapUs, t->tb), 4 * t->step);
        if (delta <= 0 || (gap > allowed && !coveredByOthers(*t, atUs))) {
            wanted = t->end;
        } else if (delta <= allowed) {
            t->step = delta;
        }
    }
    if (wanted != at) {
        t->offset += wanted - at;
        at = wanted;
        ++discontinuities_;
    }
    if (pkt.pts != AV_NOPTS_VALUE) {
        pkt.pts += t->offset;
    }
    if (pkt.dts != AV_NOPTS_VALUE) {
        pkt.dts += t->offset;
    }
    t->last = at;
    const bool plausible =
        pkt.duration > 0 && pkt.duration <= 4 * t->step + fromUs(kMaxGapUs, t->tb);
    t->end = at + (plausible ? pkt.duration : t->step);
    t->endUs = us(t->end, t->tb);
}

}  // namespace coder
