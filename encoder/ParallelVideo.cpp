// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParallelVideo.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <utility>

#include "FrameQueue.h"
#include "RaceCheckerHints.h"
#include "RepeatedPicture.h"
#include "Worker.h"

namespace coder {

struct ParallelVideo::Picture {
    FramePtr frame;
    int64_t group = 0;
    bool first = false;    // begins its group: a key picture
    bool last = false;     // ends its group
    bool skipped = false;  // repeats the picture before: written as skipped, not encoded
};

// One encoder on a thread of its own, and the groups it takes.
struct ParallelVideo::Lane {
    ParallelVideo& owner;
    CodecPtr own;
    AVCodecContext* enc;
    BoundedQueue<Picture> queue;
    int64_t clock = 0;  // the encoder's own time: one tick a picture of its groups
    std::deque<std::pair<int64_t, int64_t>> times;  // (encoder's, stream's) of pictures out
    std::vector<PacketPtr> packets;                 // of the current group
    int64_t group = -1;
    Worker worker;

    Lane(ParallelVideo& o, int index, AVCodecContext* model)
        : owner(o),
          own(index == 0 ? nullptr : openLike(model)),
          enc(index == 0 ? model : own.get()),
          // A whole group: the other encoder's group can be handed out while this one still
          // works through its own. The last pictures of a group must not wait for company.
          queue(size_t(o.group_), 1) {
        worker.start(
            "video " + std::to_string(index + 1), [this] { run(); }, [this] { queue.close(); });
    }

    ~Lane() {
        queue.close();
        worker.join();
    }

    void run() {
        Picture p;
        while (queue.pop(p)) {
            group = p.group;
            if (p.skipped) {
                ++clock;  // its time goes to the pictures that are encoded
                writeSkipped(p.frame->pts);
            } else {
                times.emplace_back(clock, p.frame->pts);
                p.frame->pts = clock++;
                p.frame->pict_type = p.first ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
                encode(p.frame.get());
            }
            doneWithBuffers(p.frame.get());
            p.frame.reset();
            if (p.last) {
                handOver();
            }
        }
        if (queue.closed()) {
            return;
        }
        encode(nullptr);
        handOver();
    }

    void encode(const AVFrame* frame) {
        encodeFrame(enc, frame, [this](PacketPtr pkt) {
            // Back onto the stream's clock.
            if (times.empty() || times.front().first != pkt->pts) {
                throw Failure("the video encoder put out a picture it was not given");
            }
            pkt->pts = pkt->dts = times.front().second;
            times.pop_front();
            packets.push_back(std::move(pkt));
        });
    }

    void writeSkipped(int64_t pts) {
        PacketPtr pkt = newPacket();
        if (av_new_packet(pkt.get(), int(owner.skipped_.size())) < 0) {
            throw Failure("out of memory");
        }
        std::memcpy(pkt->data, owner.skipped_.data(), owner.skipped_.size());
        pkt->pts = pkt->dts = pts;
        pkt->duration = 1;
        packets.push_back(std::move(pkt));
    }

    void handOver() {
        if (!packets.empty()) {
            owner.deliver(group, std::move(packets));
            packets.clear();
        }
    }

    void wait() { worker.wait(); }  // throws the encoder's failure
};

ParallelVideo::ParallelVideo(AVCodecContext* model, int groupFrames, std::vector<uint8_t> skipped,
                             Writer write)
    : group_(std::max(groupFrames, 4)),
      skipped_(std::move(skipped)),
      write_(std::move(write)),
      last_(newFrame()) {
    lanes_[0] = std::make_unique<Lane>(*this, 0, model);
    lanes_[1] = std::make_unique<Lane>(*this, 1, model);
}

ParallelVideo::~ParallelVideo() {
    // Each lane stops and joins its thread before the lock and the groups it hands over to
    // are gone.
    for (auto& lane : lanes_) {
        lane.reset();
    }
}

void ParallelVideo::send(const AVFrame* frame) {
    const bool repeat = samePicture(frame, last_.get());
    droppingBuffers(last_.get());
    av_frame_unref(last_.get());
    Picture p;
    p.frame = newFrame();
    if (av_frame_ref(last_.get(), frame) < 0 || av_frame_ref(p.frame.get(), frame) < 0) {
        throw Failure("out of memory");
    }
    p.group = groups_;
    p.first = inGroup_++ == 0;
    // A repeat a little before or after the usual length closes the group, as a skipped
    // picture; without one the group closes a little late.
    const bool closesLate = !skipped_.empty();
    p.skipped = closesLate && repeat && !p.first && inGroup_ >= group_ - 2;
    p.last = p.skipped || inGroup_ >= group_ + (closesLate ? 3 : 0);
    Lane& lane = *lanes_[groups_ % 2];
    if (p.last) {
        ++groups_;
        inGroup_ = 0;
    }
    if (!lane.queue.push(std::move(p))) {
        lane.wait();  // the encoder stopped: its failure
    }
}

void ParallelVideo::finish() {
    for (auto& lane : lanes_) {
        lane->queue.finish();
    }
    for (auto& lane : lanes_) {
        lane->wait();
    }
    std::lock_guard lock(order_);
    if (!waiting_.empty()) {
        throw Failure("the video encoders left a gap in the stream");
    }
}

// The lane that finds nobody writing writes every group that is due, in order, the other's
// included; the lock is not held while writing, since writing may wait for the muxer.
void ParallelVideo::deliver(int64_t group, std::vector<PacketPtr> packets) {
    std::unique_lock lock(order_);
    waiting_.emplace(group, std::move(packets));
    if (writing_) {
        return;
    }
    writing_ = true;
    try {
        for (auto next = waiting_.find(nextGroup_); next != waiting_.end();
             next = waiting_.find(nextGroup_)) {
            std::vector<PacketPtr> due = std::move(next->second);
            waiting_.erase(next);
            ++nextGroup_;
            lock.unlock();
            for (PacketPtr& p : due) {
                write_(p.get());
            }
            lock.lock();
        }
    } catch (...) {
        if (!lock.owns_lock()) {
            lock.lock();
        }
        writing_ = false;
        throw;
    }
    writing_ = false;
}

}  // namespace coder
