// SPDX-License-Identifier: GPL-3.0-or-later
#include "Timeline.h"

#include <algorithm>
#include <cstdlib>

#include "Av.h"

namespace coder {

namespace {

// A stream starting this far from the others joins them.
constexpr int64_t kMaxGapUs = 1000000;
// Gaps that take the timeline past where any stream has been are taken as content (silence,
// or a picture held) up to this much in all, refilled slowly as content goes by; beyond it,
// a gap is a discontinuity. A gap that the other streams fill is always content.
constexpr int64_t kLeadBudgetUs = 500000;
constexpr int64_t kRefillDivisor = 60;
// The usual distance between packets is learnt up to this.
constexpr int64_t kMaxStepUs = 1000000;
// Until a video stream's packet distance has been seen, a discontinuity moves it on by at most
// this: the frame rate in the file's header is only a claim, and a damaged one may claim 2 fps
// for 15, which would stretch each jump to half a second.
constexpr int64_t kUnseenStepUs = 40000;
// Presentation and decoding time of one video packet differ by reordering, never by more.
constexpr int64_t kMaxReorderUs = 1000000;
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

Timeline::Timeline(const AVFormatContext& fmt, std::vector<int> streams)
    : budgetUs_(kLeadBudgetUs) {
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
        t.recent.fill(t.step);
        t.audio = st.codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
        tracks_.push_back(t);
    }
}

void Timeline::Track::learn(int64_t delta) {
    // The smallest of the latest distances: gaps and jumps make distances longer, never
    // shorter, so they cannot teach a stream to spread its packets out.
    recent[next] = std::max<int64_t>(1, delta);
    next = (next + 1) % recent.size();
    step = *std::min_element(recent.begin(), recent.end());
    learnt = true;
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

void Timeline::contentEnds(int index, int64_t end) {
    Track* t = find(index);
    if (!t || t->last == AV_NOPTS_VALUE || end == AV_NOPTS_VALUE) {
        return;
    }
    t->end = std::clamp(end, t->last, t->last + fromUs(kMaxStepUs, t->tb));
    t->endUs = us(t->end, t->tb);
}

// Where a stream goes on after a discontinuity: where its latest packet's content ends.
int64_t Timeline::bridge(const Track& t) const {
    if (t.audio || t.learnt) {
        return t.end;
    }
    return std::min(t.end, t.last + std::max<int64_t>(1, fromUs(kUnseenStepUs, t.tb)));
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
    if (pkt.pts != AV_NOPTS_VALUE && pkt.dts != AV_NOPTS_VALUE && pkt.pts != pkt.dts &&
        (t->audio || std::llabs(us(pkt.pts - pkt.dts, t->tb)) > kMaxReorderUs)) {
        pkt.pts = pkt.dts;  // audio is never reordered; video not by that much
    }
    const int64_t key = pkt.dts != AV_NOPTS_VALUE ? pkt.dts : pkt.pts;
    if (key == AV_NOPTS_VALUE) {
        return;  // the decoder's guess from the previous frame is as good as ours
    }
    int64_t at = key + t->offset;
    const int64_t atUs = us(at, t->tb);
    const int64_t others = latestEndUs(*t);
    int64_t wanted = at;
    if (t->last == AV_NOPTS_VALUE) {
        // A stream's first packet: where the others are, or the start.
        const int64_t reference = others == AV_NOPTS_VALUE ? 0 : others;
        if (std::llabs(atUs - reference) > kMaxGapUs) {
            wanted = fromUs(reference, t->tb);
        }
    } else {
        const int64_t delta = at - t->last;
        const int64_t gap = at - t->end;
        if (delta <= 0) {
            wanted = bridge(*t);  // a step back or a repeat
        } else if (gap > t->step / 2 + fromUs(5000, t->tb)) {
            // New time that no stream has reached yet is taken from the budget.
            const int64_t leadUs = atUs - std::max(t->endUs, others);
            if (leadUs > budgetUs_) {
                wanted = bridge(*t);
            } else {
                budgetUs_ -= std::max<int64_t>(0, leadUs);
                t->learn(std::min(delta, fromUs(kMaxStepUs, t->tb)));  // perhaps a new rate
            }
        } else {
            t->learn(delta);
            budgetUs_ = std::min(kLeadBudgetUs, budgetUs_ + us(delta, t->tb) / kRefillDivisor);
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
    const bool plausible = pkt.duration > 0 && pkt.duration <= 2 * t->step + fromUs(5000, t->tb);
    t->end = at + (plausible ? pkt.duration : t->step);
    t->endUs = us(t->end, t->tb);
}

}  // namespace coder
