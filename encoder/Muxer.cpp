// SPDX-License-Identifier: GPL-3.0-or-later
#include "Muxer.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "Errors.h"

namespace coder {

namespace {
// Packets waiting for the muxer; it wakes once a batch is in, or at the end.
constexpr size_t kQueuePackets = 64, kQueueBatch = 16;
}  // namespace

Muxer::Muxer(const Options& options, const OutputProfile& profile, ProgressReporter& reporter)
    : opt_(options), profile_(profile), reporter_(reporter), queue_(kQueuePackets, kQueueBatch) {
    AVFormatContext* oc = nullptr;
    const int ret = avformat_alloc_output_context2(&oc, nullptr, profile_.muxer, nullptr);
    if (ret < 0) {
        throw Failure(std::string("cannot set up the ") + profile_.label +
                      " format: " + avError(ret));
    }
    oc_.reset(oc);
}

Muxer::~Muxer() {
    queue_.close();
    worker_.join();
}

bool Muxer::globalHeader() const {
    return (oc_->oformat->flags & AVFMT_GLOBALHEADER) != 0;
}

int Muxer::addStream(const AVCodecContext* enc, bool video, unsigned codecTag,
                     AVRational frameRate) {
    AVStream* st = avformat_new_stream(oc_.get(), nullptr);
    if (!st || avcodec_parameters_from_context(st->codecpar, enc) < 0) {
        throw Failure("out of memory");
    }
    if (codecTag) {
        st->codecpar->codec_tag = codecTag;
    }
    st->time_base = enc->time_base;
    if (frameRate.num) {
        st->avg_frame_rate = frameRate;
        st->r_frame_rate = frameRate;
    }
    streams_.push_back({st, enc->time_base, video, 0});
    headerBytes_ += enc->extradata_size;
    return int(streams_.size()) - 1;
}

void Muxer::open(const FileIdentity& input) {
    target_.open(opt_.target, input, opt_.overwrite);
    oc_->pb = target_.io();
    oc_->flags |= AVFMT_FLAG_CUSTOM_IO;
    const int ret = avformat_write_header(oc_.get(), nullptr);
    if (ret < 0) {
        throw Failure("cannot write output file " + quotedPath(opt_.target) + ": " +
                      target_.writeProblem(ret));
    }
    worker_.start(
        "mux", [this] { run(); }, [this] { queue_.close(); });
}

void Muxer::write(int stream, AVPacket* pkt) {
    Queued q{stream, newPacket()};
    av_packet_move_ref(q.pkt.get(), pkt);
    if (!queue_.push(std::move(q))) {
        worker_.rethrow();  // it closed the queue after keeping its failure
        throw Failure("the muxer stopped");
    }
}

void Muxer::finish() {
    queue_.finish();
    worker_.wait();
}

void Muxer::run() {
    Queued q;
    while (queue_.pop(q)) {
        writeNow(streams_[size_t(q.stream)], q.pkt.get());
        q.pkt.reset();
    }
}

void Muxer::writeNow(Stream& s, AVPacket* pkt) {
    const AVRational tb = s.encoderTb;
    if (s.video) {
        size_t size = 0;
        const uint8_t* sd = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
        if (sd && size >= 4) {
            q_ = double(sd[0] | sd[1] << 8 | sd[2] << 16 | uint32_t(sd[3]) << 24) / FF_QP2LAMBDA;
        }
        ++frames_;
        videoBytes_ += pkt->size;
    } else {
        audioBytes_ += pkt->size;
    }
    if (pkt->pts != AV_NOPTS_VALUE) {
        const int64_t duration = pkt->duration > 0 ? pkt->duration : (s.video ? 1 : 0);
        s.end = std::max(s.end, double(pkt->pts + duration) * av_q2d(tb));
    }
    av_packet_rescale_ts(pkt, tb, s.st->time_base);
    pkt->stream_index = s.st->index;
    const int ret = av_interleaved_write_frame(oc_.get(), pkt);
    if (ret < 0) {
        throw Failure("cannot write output file " + quotedPath(opt_.target) + ": " +
                      target_.writeProblem(ret));
    }
    reporter_.update(stats());
}

void Muxer::close() {
    const int ret = av_write_trailer(oc_.get());
    if (ret < 0) {
        throw Failure("cannot write output file " + quotedPath(opt_.target) + ": " +
                      target_.writeProblem(ret));
    }
    target_.close();
    oc_->pb = nullptr;  // gone with the target; the size now comes from the closed file
}

OutputStats Muxer::stats() const {
    assert(!worker_.running() || worker_.onItsThread());
    OutputStats s;
    s.frames = frames_;
    s.q = q_;
    s.bytes = std::max<int64_t>(target_.bytesWritten(), oc_->pb ? avio_tell(oc_->pb) : 0);
    double end = INFINITY;
    for (const Stream& st : streams_) {
        s.hasVideo = s.hasVideo || st.video;
        end = std::min(end, st.end);
    }
    s.time = std::isfinite(end) ? end : 0;
    s.videoBytes = videoBytes_;
    s.audioBytes = audioBytes_;
    s.headerBytes = headerBytes_;
    return s;
}

}  // namespace coder
