// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParallelMp3.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "FrameQueue.h"
#include "Mp3Splice.h"
#include "Worker.h"

namespace coder {

namespace {

constexpr size_t kShortQueue = 64, kShortBatch = 16;
constexpr size_t kWholeSegment = size_t(1) << 40;  // bounded by the segment's own length

}  // namespace

// One segment: its encoder, running on a thread of its own, and the frames it made.
struct ParallelMp3::Segment {
    int64_t number = 0;
    int64_t first = 0;  // the input frames it takes: [first, end)
    int64_t end = 0;
    FrameQueue queue;
    CodecPtr own;         // the encoder of every segment but the first,
    AVCodecContext* enc;  // which takes the model itself
    mp3::EncodedRun out;
    bool inputDone = false;  // no more frames go to the queue
    bool lastOfAll = false;  // its input ran to the end of the audio
    // While an older segment still encodes, this one's queue is short: both cores are busy,
    // so there is no point in decoding far ahead. When the older one is done, it widens this
    // queue to the whole segment, so that the decoding can run ahead to the next segment.
    std::mutex linkMutex;
    bool encoded = false;
    FrameQueue* widenWhenEncoded = nullptr;  // alive until this segment's worker is joined
    Worker worker;

    Segment(int64_t n, int64_t from, int64_t to, AVCodecContext* model)
        : number(n),
          first(from),
          end(to),
          queue(kShortQueue, kShortBatch),
          own(n == 0 ? nullptr : openLike(model)),
          enc(n == 0 ? model : own.get()),
          out{from, {}} {
        worker.start(
            "mp3 " + std::to_string(n + 1), [this] { encode(); }, [this] { queue.close(); });
    }

    ~Segment() {
        queue.close();
        worker.join();
    }

    void encode() {
        FramePtr frame;
        while (queue.pop(frame)) {
            send(frame.get());
            frame.reset();
        }
        if (!queue.closed()) {
            send(nullptr);
        }
        FrameQueue* next = nullptr;
        {
            std::lock_guard lock(linkMutex);
            encoded = true;
            next = widenWhenEncoded;
        }
        if (next) {
            next->widen(kWholeSegment);
        }
    }

    // Called for the segment after this one, before any frame goes to it. The segments go
    // oldest first, so `next` outlives this segment's worker.
    void linkNext(Segment& next) {
        bool widenNow = false;
        {
            std::lock_guard lock(linkMutex);
            widenNow = encoded;
            if (!encoded) {
                widenWhenEncoded = &next.queue;
            }
        }
        if (widenNow) {
            next.queue.widen(kWholeSegment);
        }
    }

    void send(const AVFrame* frame) {
        encodeFrame(enc, frame, [this](PacketPtr p) { out.frames.push_back(std::move(p)); });
    }

    void finishInput(bool last) {
        if (!inputDone) {
            inputDone = true;
            lastOfAll = last;
            queue.finish();
        }
    }

    void wait() { worker.wait(); }  // throws the encoder's failure
    bool running() const { return worker.running(); }
};

ParallelMp3::ParallelMp3(AVCodecContext* model, int64_t segmentFrames, Writer write)
    : model_(model), length_(std::max(segmentFrames, kMinSegment)), write_(std::move(write)) {}

ParallelMp3::~ParallelMp3() {
    // Every encoder stops before any segment is gone: an older one may still widen the queue
    // of the one after it.
    for (auto& s : segments_) {
        s->queue.close();
    }
    for (auto& s : segments_) {
        s->worker.join();
    }
}

int64_t ParallelMp3::segmentFrames(int64_t frames, int64_t maxFrames) {
    if (frames < 2 * kMinSegment) {
        return 0;
    }
    const int64_t pairs = (frames + 2 * maxFrames - 1) / (2 * std::max<int64_t>(maxFrames, 1));
    return std::max((frames + 2 * pairs - 1) / (2 * pairs), kMinSegment);
}

void ParallelMp3::start() {
    // Two encoders at a time: before a third starts, the oldest must have finished.
    int running = 0;
    for (const auto& s : segments_) {
        running += s->running() ? 1 : 0;
    }
    for (auto& s : segments_) {
        if (running < 2) {
            break;
        }
        if (s->running()) {
            s->wait();
            --running;
        }
    }
    settle();
    const int64_t n = started_++;
    const int64_t from = n == 0 ? 0 : n * length_ - kLeadIn;
    const int64_t to = (n + 1) * length_ + kJoinChoices + kLookahead;
    auto segment = std::make_unique<Segment>(n, from, to, model_);
    if (segments_.empty()) {
        segment->queue.widen(kWholeSegment);
    } else {
        segments_.back()->linkNext(*segment);
    }
    segments_.push_back(std::move(segment));
}

void ParallelMp3::send(const AVFrame* frame) {
    const int64_t index = sent_++;
    if (index == (started_ == 0 ? 0 : started_ * length_ - kLeadIn)) {
        start();
    }
    for (auto& s : segments_) {
        if (s->inputDone || index < s->first) {
            continue;
        }
        FramePtr copy = newFrame();
        if (av_frame_ref(copy.get(), frame) < 0) {
            throw Failure("out of memory");
        }
        if (!s->queue.push(std::move(copy))) {
            s->wait();  // the encoder stopped: its failure
        }
        if (index + 1 == s->end) {
            s->finishInput(false);
        }
    }
}

void ParallelMp3::finish() {
    for (auto& s : segments_) {
        s->finishInput(true);
    }
    for (auto& s : segments_) {
        s->wait();
    }
    settle();
}

// Writes the frames of the oldest segments that are settled: those whose successor has
// finished too, so that the join is known, and the one whose input ran to the end.
void ParallelMp3::settle() {
    while (!segments_.empty()) {
        Segment& a = *segments_.front();
        if (a.running()) {
            return;
        }
        a.wait();
        if (a.lastOfAll) {
            // It saw the end of the audio as a single encoder would: its frames are final,
            // and a later segment holds nothing that it does not.
            for (PacketPtr& p : a.out.frames) {
                write_(p.get());
            }
            segments_.clear();
            return;
        }
        if (segments_.size() < 2 || segments_[1]->running()) {
            return;
        }
        Segment& b = *segments_[1];
        b.wait();
        const int64_t from = b.number * length_, to = from + kJoinChoices;
        std::optional<int64_t> at;
        for (mp3::Fit fit : {mp3::Fit::Exact, mp3::Fit::AnyBlocks, mp3::Fit::GrowingLast}) {
            if (!at) {
                at = mp3::findJoin(a.out, b.out, from, to, fit);
            }
        }
        if (!at) {
            throw Failure("cannot join the two halves of the MP3 stream");
        }
        mp3::join(a.out, b.out, *at);
        for (PacketPtr& p : a.out.frames) {
            write_(p.get());
        }
        b.out.frames.erase(b.out.frames.begin(), b.out.frames.begin() + (*at - b.out.first));
        b.out.first = *at;
        segments_.pop_front();
    }
}

}  // namespace coder
