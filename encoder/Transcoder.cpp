// SPDX-License-Identifier: GPL-3.0-or-later
#include "Transcoder.h"

#include "Errors.h"
#include "Samples.h"

#include <algorithm>
#include <string>

namespace coder {

namespace {
// Gives up on a source that yields read errors without end (each one skips damaged data).
constexpr int kMaxReadErrors = 1000;
}  // namespace

Transcoder::Transcoder(const Options& options, ProgressReporter& reporter)
    : opt_(options), reporter_(reporter) {}

Transcoder::~Transcoder() {
    queue_.close();
    if (producer_.joinable()) {
        producer_.join();
    }
}

void Transcoder::run() {
    const auto profile = profileForTarget(opt_.target);
    if (!profile) {
        throw Failure("output file " + quoted(opt_.target) +
                      " has no known extension; use .avi, .wmv or .mp3");
    }
    in_ = std::make_unique<Input>(opt_.input);
    hasVideo_ = in_->videoDecoder() && profile->videoEncoder;
    hasAudio_ = in_->audioDecoder() != nullptr;
    if (!profile->videoEncoder && !hasAudio_) {
        throw Failure("input file " + quoted(opt_.input) +
                      " has no audio, so no MP3 file can be made from it");
    }
    reporter_.info(in_->describe());
    for (const std::string& n : opt_.notes) {
        reporter_.info("Note: " + n);
    }
    out_ = std::make_unique<Output>(opt_, *profile, reporter_);
    if (hasVideo_) {
        out_->addVideo(in_->videoStream());
    }
    if (hasAudio_) {
        out_->addAudio(in_->audioStream());
    }
    // Only now, with everything else ready, is the target touched.
    out_->open(in_->fileStat());

    producer_ = std::thread([this] {
        try {
            produce();
        } catch (...) {
            producerError_ = std::current_exception();
        }
        queue_.finish();
    });
    QueuedFrame item;
    while (queue_.pop(item)) {
        out_->encode(item.video, item.frame.get());
    }
    producer_.join();
    if (producerError_) {
        std::rethrow_exception(producerError_);
    }
    if (hasVideo_) {
        out_->encode(true, nullptr);
    }
    if (hasAudio_) {
        out_->encode(false, nullptr);
    }
    if (!out_->wroteAnything()) {
        throw Failure("nothing in input file " + quoted(opt_.input) +
                      " could be decoded: it is damaged, or not a valid Flash video");
    }
    // A target without a stream that the source carries is no conversion of it.
    if (const OutputStats w = out_->stats(); w.frames == 0 || w.audioBytes == 0) {
        checkEveryStream(opt_.input, hasVideo_ && w.frames == 0, hasAudio_ && w.audioBytes == 0);
    }
    out_->close();
    if (const int n = in_->discontinuities(); n > 0) {
        reporter_.info(
            format("Note: %d jump%s in the input's timestamps closed up", n, n == 1 ? "" : "s"));
    }
    if (damaged_ > 0) {
        reporter_.info("Note: " + std::to_string(damaged_.load()) +
                       " damaged packets of the input were skipped");
    }
    reporter_.finish(out_->stats());
}

// ---- decoding thread -------------------------------------------------------------------

void Transcoder::produce() {
    AVFormatContext* fmt = in_->format();
    PacketPtr pkt = newPacket();
    int errors = 0;
    for (;;) {
        int ret = in_->read(pkt.get());
        if (ret == AVERROR(EAGAIN)) {
            continue;
        }
        if (ret < 0) {
            if (ret == AVERROR_EOF || (fmt->pb && avio_feof(fmt->pb))) {
                break;  // the end, or a truncated file: convert what there is
            }
            if (fmt->pb && fmt->pb->error < 0 && fmt->pb->error != AVERROR_EOF) {
                throw Failure("cannot read input file " + quoted(opt_.input) + ": " +
                              readProblem(fmt->pb->error));
            }
            if (++errors > kMaxReadErrors) {
                break;
            }
            ++damaged_;
            continue;
        }
        const bool video = pkt->stream_index == in_->videoIndex() && hasVideo_;
        const bool audio = pkt->stream_index == in_->audioIndex() && hasAudio_;
        if (video || audio) {
            decode(video, pkt.get());
        }
        av_packet_unref(pkt.get());
    }
    if (hasVideo_) {
        decode(true, nullptr);
        if (vchain_.built()) {
            vchain_.push(nullptr);
            drain(true);
        }
    }
    if (hasAudio_) {
        decode(false, nullptr);
        if (achain_.built()) {
            achain_.push(nullptr);
            drain(false);
        }
    }
}

void Transcoder::decode(bool video, AVPacket* pkt) {
    AVCodecContext* dec = video ? in_->videoDecoder() : in_->audioDecoder();
    int ret = avcodec_send_packet(dec, pkt);
    if (ret < 0 && ret != AVERROR_EOF) {
        ++damaged_;  // a damaged packet is skipped
        return;
    }
    FramePtr frame = newFrame();
    for (;;) {
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
        filter(video, frame.get());
        av_frame_unref(frame.get());
    }
}

void Transcoder::filter(bool video, AVFrame* frame) {
    AVStream* st = video ? in_->videoStream() : in_->audioStream();
    int64_t& next = nextPts_[video ? 0 : 1];
    frame->pts = frame->best_effort_timestamp;
    if (frame->pts == AV_NOPTS_VALUE) {
        frame->pts = next == AV_NOPTS_VALUE ? 0 : next;
    }
    if (video) {
        const AVRational r =
            out_->videoShape().sourceRate.num ? out_->videoShape().sourceRate : AVRational{25, 1};
        next = frame->pts + std::max<int64_t>(1, av_rescale_q(1, av_inv_q(r), st->time_base));
    } else {
        next = frame->pts + av_rescale_q(frame->nb_samples, {1, frame->sample_rate}, st->time_base);
    }
    FilterChain& chain = video ? vchain_ : achain_;
    if (chain.needsRebuild(frame, video && out_->videoShape().deinterlace)) {
        if (chain.built()) {
            chain.push(nullptr);
            drain(video);
        }
        if (video) {
            chain.buildVideo(frame, st->time_base, out_->videoShape(), firstVideoChain_);
            firstVideoChain_ = false;
        } else {
            chain.buildAudio(frame, st->time_base, out_->audioShape(), firstAudioChain_);
            firstAudioChain_ = false;
        }
    }
    chain.push(frame);
    drain(video);
}

void Transcoder::drain(bool video) {
    FilterChain& chain = video ? vchain_ : achain_;
    const AVRational encTb = out_->timeBase(video);
    for (;;) {
        FramePtr out = newFrame();
        if (chain.pull(out.get()) < 0) {
            return;
        }
        if (out->pts != AV_NOPTS_VALUE) {
            out->pts = av_rescale_q(out->pts, chain.outputTimeBase(), encTb);
        }
        if (!queue_.push({video, std::move(out)})) {
            throw Failure("stopped");  // the encoding side has given up; its error is reported
        }
    }
}

// ---- encoding thread -------------------------------------------------------------------

}  // namespace coder
