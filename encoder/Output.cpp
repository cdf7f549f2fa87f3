// SPDX-License-Identifier: GPL-3.0-or-later
#include "Output.h"

#include "RepeatedPicture.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <thread>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace coder {

namespace {

// A final audio frame shorter than the encoder's frame, padded with silence, for encoders
// that take only whole frames.
FramePtr padded(const AVFrame* f, int frameSize) {
    FramePtr p = newFrame();
    p->format = f->format;
    p->nb_samples = frameSize;
    p->sample_rate = f->sample_rate;
    av_channel_layout_copy(&p->ch_layout, &f->ch_layout);
    if (av_frame_get_buffer(p.get(), 0) < 0) {
        throw Failure("out of memory");
    }
    av_samples_set_silence(p->extended_data, 0, frameSize, p->ch_layout.nb_channels,
                           AVSampleFormat(p->format));
    av_samples_copy(p->extended_data, f->extended_data, 0, 0, f->nb_samples,
                    p->ch_layout.nb_channels, AVSampleFormat(p->format));
    p->pts = f->pts;
    return p;
}

}  // namespace

Output::Output(const Options& options, const OutputProfile& profile, ProgressReporter& reporter)
    : opt_(options), profile_(profile), reporter_(reporter), mux_(opt_, profile_, reporter_) {}

void Output::addVideo(const AVStream* src) {
    VideoEncoder v = openVideoEncoder(opt_, profile_, src, mux_.globalHeader());
    const AVCodecContext* e = v.enc.get();
    video_.stream = mux_.addStream(e, true, profile_.videoTag, v.shape.rate);
    reporter_.info(format("Output %s: video %s %dx%d %.2f fps %lld kbit/s",
                          quotedPath(opt_.target).c_str(), e->codec->name, e->width, e->height,
                          av_q2d(v.shape.rate), static_cast<long long>(e->bit_rate / 1000)));
    vshape_ = v.shape;
    video_.tb = e->time_base;
    video_.notCodedRepeats = v.notCodedRepeats;
    video_.enc = std::move(v.enc);
    video_.pkt = newPacket();
    video_.lastPicture = newFrame();
    if (v.twoEncoders) {
        videoPair_ = std::make_unique<ParallelVideo>(
            video_.enc.get(), v.groupPictures,
            skippedWmv2Picture(e->extradata, e->extradata_size, e->width, e->height),
            [this](AVPacket* pkt) { mux_.write(video_.stream, pkt); });
    }
}

void Output::addAudio(const AVStream* src) {
    AudioEncoder a = openAudioEncoder(opt_, profile_, src, mux_.globalHeader(), reporter_);
    const AVCodecContext* e = a.enc.get();
    audio_.stream = mux_.addStream(e, false);
    reporter_.info(format("Output %s: audio %s %d Hz %d ch %d kbit/s",
                          quotedPath(opt_.target).c_str(), e->codec->name, a.shape.sampleRate,
                          a.shape.channels, a.kbps));
    ashape_ = a.shape;
    audio_.tb = e->time_base;
    audio_.enc = std::move(a.enc);
    audio_.pkt = newPacket();
}

void Output::useTwoAudioEncoders(double seconds) {
    AVCodecContext* enc = audio_.enc.get();
    if (!enc || enc->codec_id != AV_CODEC_ID_MP3 || enc->frame_size <= 0 ||
        std::thread::hardware_concurrency() < 2) {
        return;
    }
    // The segments wait as decoded samples until their encoder takes them: a few MB at most.
    constexpr int64_t kMaxSegmentBytes = 4 << 20;
    const int64_t frameBytes = int64_t(enc->frame_size) * enc->ch_layout.nb_channels *
                               av_get_bytes_per_sample(enc->sample_fmt);
    const int64_t maxFrames = kMaxSegmentBytes / std::max<int64_t>(frameBytes, 1);
    const double frames = seconds * enc->sample_rate / enc->frame_size;
    const int64_t length = seconds > 0 && frames < 1e12
                               ? ParallelMp3::segmentFrames(int64_t(frames), maxFrames)
                               : maxFrames;
    if (length > 0) {
        audioPair_ = std::make_unique<ParallelMp3>(
            enc, length, [this](AVPacket* pkt) { mux_.write(audio_.stream, pkt); });
    }
}

void Output::open(const FileIdentity& input) {
    mux_.open(input);
}

void Output::encode(bool video, AVFrame* frame) {
    send(video ? video_ : audio_, video, frame);
}

void Output::finish() {
    mux_.finish();
}

bool Output::wroteAnything() const {
    const OutputStats s = mux_.stats();
    return s.frames > 0 || s.audioBytes > 0;
}

void Output::close() {
    mux_.close();
}

OutputStats Output::stats() const {
    return mux_.stats();
}

void Output::send(Out& out, bool video, AVFrame* frame) {
    AVCodecContext* enc = out.enc.get();
    FramePtr pad;
    if (frame) {
        if (frame->pts == AV_NOPTS_VALUE) {
            frame->pts = out.lastPts == INT64_MIN ? 0 : out.lastPts + 1;
        }
        if (frame->pts <= out.lastPts) {
            return;  // only after a midstream change of the source: keep time moving forward
        }
        if (video && out.notCodedRepeats && writeRepeat(out, frame)) {
            return;
        }
        if (video) {
            frame->pict_type = AV_PICTURE_TYPE_NONE;  // let the encoder choose
        } else if (ashape_.frameSize > 0 && frame->nb_samples < ashape_.frameSize &&
                   !(enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME)) {
            pad = padded(frame, ashape_.frameSize);
            frame = pad.get();
        }
        out.lastPts = video ? frame->pts : frame->pts + frame->nb_samples - 1;
    }
    if (video && videoPair_) {
        frame ? videoPair_->send(frame) : videoPair_->finish();
        return;
    }
    if (!video && audioPair_) {
        frame ? audioPair_->send(frame) : audioPair_->finish();
        return;
    }
    int ret = avcodec_send_frame(enc, frame);
    if (ret < 0 && ret != AVERROR_EOF) {
        throw Failure(std::string("the ") + (video ? "video" : "audio") + " encoder " +
                      enc->codec->name + " failed: " + avError(ret));
    }
    out.framesSent += frame ? 1 : 0;
    AVPacket* pkt = out.pkt.get();
    for (;;) {
        ret = avcodec_receive_packet(enc, pkt);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
            return;
        }
        if (ret < 0) {
            throw Failure(std::string("the ") + (video ? "video" : "audio") + " encoder " +
                          enc->codec->name + " failed: " + avError(ret));
        }
        ++out.packetsReceived;
        mux_.write(out.stream, pkt);
    }
}

// Writes a not-coded picture for `frame` when it repeats the last picture coded and that
// picture's packet is out; otherwise keeps `frame` as the last picture and returns false.
bool Output::writeRepeat(Out& out, AVFrame* frame) {
    if (samePicture(frame, out.lastPicture.get()) && out.framesSent == out.packetsReceived) {
        const std::vector<uint8_t> data = notCodedPicture(out.tb, out.lastPicture->pts);
        AVPacket* pkt = out.pkt.get();
        if (av_new_packet(pkt, static_cast<int>(data.size())) < 0) {
            throw Failure("out of memory");
        }
        std::memcpy(pkt->data, data.data(), data.size());
        pkt->pts = pkt->dts = frame->pts;
        pkt->duration = 1;
        out.lastPts = frame->pts;
        mux_.write(out.stream, pkt);
        return true;
    }
    av_frame_unref(out.lastPicture.get());
    if (av_frame_ref(out.lastPicture.get(), frame) < 0) {
        throw Failure("out of memory");
    }
    return false;
}

}  // namespace coder
