// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceReader.h"

#include "Errors.h"
#include "Samples.h"

#include <algorithm>

namespace coder {

namespace {
// Gives up on a source that yields read errors without end (each one skips damaged data).
constexpr int kMaxReadErrors = 1000;
}  // namespace

SourceReader::SourceReader(Input& input, const ReadPlan& plan, FrameQueue& video, FrameQueue& audio)
    : in_(input),
      plan_(plan),
      videoQueue_(video),
      audioQueue_(audio),
      overlap_(plan.audioTimeBase) {}

void SourceReader::run() {
    AVFormatContext* fmt = in_.format();
    PacketPtr pkt = newPacket();
    int errors = 0;
    for (;;) {
        int ret = in_.read(pkt.get());
        if (ret == AVERROR(EAGAIN)) {
            continue;
        }
        if (ret < 0) {
            if (ret == AVERROR_EOF || (fmt->pb && avio_feof(fmt->pb))) {
                break;  // the end, or a truncated file: convert what there is
            }
            if (fmt->pb && fmt->pb->error < 0 && fmt->pb->error != AVERROR_EOF) {
                throw Failure("cannot read input file " + quotedPath(in_.path()) + ": " +
                              readProblem(fmt->pb->error));
            }
            if (++errors > kMaxReadErrors) {
                break;
            }
            ++damaged_;
            continue;
        }
        const bool video = pkt->stream_index == in_.videoIndex() && plan_.video;
        const bool audio = pkt->stream_index == in_.audioIndex() && plan_.audio;
        if (video || audio) {
            decode(video, pkt.get());
        }
        av_packet_unref(pkt.get());
    }
    if (plan_.video) {
        decode(true, nullptr);
    }
    if (plan_.audio) {
        decode(false, nullptr);
        if (FramePtr last = overlap_.last()) {
            deliver(false, std::move(last));
        }
    }
}

void SourceReader::decode(bool video, const AVPacket* pkt) {
    AVCodecContext* dec = video ? in_.videoDecoder() : in_.audioDecoder();
    int ret = avcodec_send_packet(dec, pkt);
    if (ret < 0 && ret != AVERROR_EOF) {
        ++damaged_;  // a damaged packet is skipped
        return;
    }
    for (;;) {
        FramePtr frame = newFrame();
        ret = avcodec_receive_frame(dec, frame.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
            break;
        }
        if (ret < 0) {
            ++damaged_;
            if (!pkt) {
                break;  // flushing: do not spin on a decoder that keeps failing
            }
            continue;
        }
        if (!video) {
            clampSamples(*frame);
        }
        stamp(video, frame.get());
        if (!video) {
            in_.contentEnds(in_.audioIndex(), nextPts_[1]);
            frame = overlap_.next(std::move(frame));
        }
        if (frame) {
            deliver(video, std::move(frame));
        }
    }
}

void SourceReader::deliver(bool video, FramePtr frame) {
    if (!(video ? videoQueue_ : audioQueue_).push(std::move(frame))) {
        throw Failure("stopped");  // an encoding side has given up; its error is reported
    }
}

void SourceReader::stamp(bool video, AVFrame* frame) {
    int64_t& next = nextPts_[video ? 0 : 1];
    frame->pts = frame->best_effort_timestamp;
    if (frame->pts == AV_NOPTS_VALUE) {
        frame->pts = next == AV_NOPTS_VALUE ? 0 : next;
    }
    if (video) {
        next = frame->pts + std::max<int64_t>(
                                1, av_rescale_q(1, av_inv_q(plan_.videoRate), plan_.videoTimeBase));
    } else {
        next = frame->pts +
               av_rescale_q(frame->nb_samples, {1, frame->sample_rate}, plan_.audioTimeBase);
    }
}

}  // namespace coder
