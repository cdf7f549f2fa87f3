// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParallelVideo.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <exception>
#include <thread>

#include "FrameQueue.h"

namespace coder {

namespace {

CodecPtr copyVideoEncoder(const AVCodecContext* model) {
    CodecPtr enc(avcodec_alloc_context3(model->codec));
    if (!enc) {
        throw Failure("out of memory");
    }
    enc->width = model->width;
    enc->height = model->height;
    enc->pix_fmt = model->pix_fmt;
    enc->sample_aspect_ratio = model->sample_aspect_ratio;
    enc->framerate = model->framerate;
    enc->time_base = model->time_base;
    enc->bit_rate = model->bit_rate;
    enc->bit_rate_tolerance = model->bit_rate_tolerance;
    enc->mb_decision = model->mb_decision;
    enc->gop_size = model->gop_size;
    enc->thread_count = 1;
    enc->flags = model->flags;
    const int ret = avcodec_open2(enc.get(), model->codec, nullptr);
    if (ret < 0) {
        throw Failure(std::string("cannot start the video encoder ") + model->codec->name + ": " +
                      avError(ret));
    }
    if (model->extradata_size != enc->extradata_size ||
        (enc->extradata_size > 0 &&
         std::memcmp(model->extradata, enc->extradata, size_t(enc->extradata_size)) != 0)) {
        throw Failure("the two video encoders do not agree on the stream's header");
    }
    return enc;
}

}  // namespace

// One encoder on a thread of its own, and the groups it takes.
struct ParallelVideo::Lane {
    ParallelVideo& owner;
    const int index;  // 0 takes the even groups, 1 the odd ones
    CodecPtr own;
    AVCodecContext* enc;
    FrameQueue queue;
    std::thread thread;
    std::exception_ptr error;
    std::deque<int64_t> times;  // the stream's pts of the pictures sent, oldest first
    int64_t count = 0;          // pictures sent; the encoder's own timestamps
    std::vector<PacketPtr> group;

    Lane(ParallelVideo& o, int i, AVCodecContext* model)
        : owner(o),
          index(i),
          own(i == 0 ? nullptr : copyVideoEncoder(model)),
          enc(i == 0 ? model : own.get()),
          // A whole group: the other encoder's group can be handed out while this one still
          // works through its own. The last pictures of a group must not wait for company.
          queue(size_t(o.group_), 1),
          thread([this] {
              try {
                  run();
              } catch (...) {
                  error = std::current_exception();
                  queue.close();
              }
          }) {}

    ~Lane() {
        queue.close();
        if (thread.joinable()) {
            thread.join();
        }
    }

    void run() {
        FramePtr frame;
        while (queue.pop(frame)) {
            const bool first = count % owner.group_ == 0;
            times.push_back(frame->pts);
            frame->pts = count++;
            frame->pict_type = first ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
            encode(frame.get());
            frame.reset();
            if (count % owner.group_ == 0) {
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
        int ret = avcodec_send_frame(enc, frame);
        while (ret >= 0) {
            PacketPtr pkt = newPacket();
            ret = avcodec_receive_packet(enc, pkt.get());
            if (ret >= 0) {
                // Back onto the stream's clock.
                const int64_t at = pkt->pts - (count - int64_t(times.size()));
                if (at < 0 || at >= int64_t(times.size())) {
                    throw Failure("the video encoder put out a picture it was not given");
                }
                pkt->pts = pkt->dts = times[size_t(at)];
                times.erase(times.begin(), times.begin() + at + 1);
                group.push_back(std::move(pkt));
            }
        }
        if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
            throw Failure(std::string("the video encoder ") + enc->codec->name +
                          " failed: " + avError(ret));
        }
    }

    void handOver() {
        if (group.empty()) {
            return;
        }
        const int64_t number = 2 * ((count - 1) / owner.group_) + index;
        owner.deliver(number, std::move(group));
        group.clear();
    }

    void wait() {
        if (thread.joinable()) {
            thread.join();
        }
        if (error) {
            std::rethrow_exception(error);
        }
    }
};

ParallelVideo::ParallelVideo(AVCodecContext* model, int groupFrames, Writer write)
    : group_(std::max(groupFrames, 1)), write_(std::move(write)) {
    lanes_[0] = std::make_unique<Lane>(*this, 0, model);
    lanes_[1] = std::make_unique<Lane>(*this, 1, model);
}

ParallelVideo::~ParallelVideo() {
    for (auto& lane : lanes_) {
        lane->queue.close();
    }
}

void ParallelVideo::send(const AVFrame* frame) {
    Lane& lane = *lanes_[(sent_++ / group_) % 2];
    FramePtr copy = newFrame();
    if (av_frame_ref(copy.get(), frame) < 0) {
        throw Failure("out of memory");
    }
    if (!lane.queue.push(std::move(copy))) {
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

void ParallelVideo::deliver(int64_t group, std::vector<PacketPtr> packets) {
    std::lock_guard lock(order_);
    waiting_.emplace(group, std::move(packets));
    for (auto next = waiting_.find(nextGroup_); next != waiting_.end();
         next = waiting_.find(nextGroup_)) {
        for (PacketPtr& p : next->second) {
            write_(p.get());
        }
        waiting_.erase(next);
        ++nextGroup_;
    }
}

}  // namespace coder
