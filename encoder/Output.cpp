// SPDX-License-Identifier: GPL-3.0-or-later
#include "Output.h"

#include "AvCompat.h"
#include "Errors.h"
#include "RepeatedPicture.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace coder {

namespace {

AVRational sourceRate(const AVStream* st) {
    for (AVRational r : {st->avg_frame_rate, st->r_frame_rate}) {
        if (r.num > 0 && r.den > 0 && av_q2d(r) >= 1 && av_q2d(r) <= 120) {
            return r;
        }
    }
    return {0, 1};
}

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
    : opt_(options), profile_(profile), reporter_(reporter) {
    AVFormatContext* oc = nullptr;
    const int ret = avformat_alloc_output_context2(&oc, nullptr, profile_.muxer, nullptr);
    if (ret < 0) {
        throw Failure(std::string("cannot set up the ") + profile_.label +
                      " format: " + avError(ret));
    }
    oc_.reset(oc);
}

void Output::addVideo(const AVStream* src) {
    const AVCodec* codec = avcodec_find_encoder_by_name(profile_.videoEncoder);
    if (!codec) {
        throw Failure(std::string("the video encoder ") + profile_.videoEncoder + " is missing");
    }
    vshape_.sourceRate = sourceRate(src);
    if (opt_.frameSize) {
        vshape_.width = opt_.frameSize->width;
        vshape_.height = opt_.frameSize->height;
    } else if (src->codecpar->width >= 2 && src->codecpar->height >= 2) {
        vshape_.width = src->codecpar->width & ~1;
        vshape_.height = src->codecpar->height & ~1;
    } else {
        vshape_.width = 320;
        vshape_.height = 240;
    }
    if (opt_.frameRate) {
        vshape_.rate = av_d2q(*opt_.frameRate, 65535);
    } else {
        vshape_.rate = vshape_.sourceRate.num ? vshape_.sourceRate : AVRational{25, 1};
        av_reduce(&vshape_.rate.num, &vshape_.rate.den, vshape_.rate.num, vshape_.rate.den, 65535);
    }
    vshape_.deinterlace = opt_.deinterlace;

    CodecPtr enc(avcodec_alloc_context3(codec));
    if (!enc) {
        throw Failure("out of memory");
    }
    enc->width = vshape_.width;
    enc->height = vshape_.height;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->sample_aspect_ratio = {1, 1};
    enc->framerate = vshape_.rate;
    enc->time_base = av_inv_q(vshape_.rate);
    enc->bit_rate = std::llround(opt_.videoKbps.value_or(200) * 1000);
    // The rate control's default leeway is 4 Mbit, more than a whole short clip at these
    // rates: busy clips came out a fifth to a half larger than asked. A quarter of a second's
    // worth keeps the size within a few per cent without starving hard scenes.
    enc->bit_rate_tolerance = int(std::min<int64_t>(enc->bit_rate / 4, INT_MAX));
    if (opt_.highQuality) {
        enc->mb_decision = FF_MB_DECISION_BITS;
    }
    // One thread: the decoding, the audio and the video each have a thread of their own
    // already. Two slice threads inside the encoder were measured at 320x240: no faster on
    // two cores, 4 % more CPU time, and slices cost a little quality.
    enc->thread_count = 1;
    // WMV's encoder has no threads of its own and keeps no time in its pictures: two of them
    // take turns, a group of pictures each, and the groups place the key pictures.
    const bool twoEncoders =
        codec->id == AV_CODEC_ID_WMV2 && std::thread::hardware_concurrency() >= 2;
    const int groupPictures = enc->gop_size;
    if (twoEncoders) {
        enc->gop_size = 600;  // the most the encoder takes: no key pictures of its own choice
    }
    if (oc_->oformat->flags & AVFMT_GLOBALHEADER) {
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    int ret = avcodec_open2(enc.get(), codec, nullptr);
    if (ret < 0) {
        throw Failure(format("cannot start the video encoder %s for %dx%d at %.3f fps: ",
                             codec->name, enc->width, enc->height, av_q2d(vshape_.rate)) +
                      avError(ret));
    }
    AVStream* st = avformat_new_stream(oc_.get(), nullptr);
    if (!st || avcodec_parameters_from_context(st->codecpar, enc.get()) < 0) {
        throw Failure("out of memory");
    }
    st->codecpar->codec_tag = profile_.videoTag;
    st->time_base = enc->time_base;
    st->avg_frame_rate = vshape_.rate;
    st->r_frame_rate = vshape_.rate;
    reporter_.info(format("Output %s: video %s %dx%d %.2f fps %lld kbit/s",
                          quoted(opt_.target).c_str(), codec->name, enc->width, enc->height,
                          av_q2d(vshape_.rate), static_cast<long long>(enc->bit_rate / 1000)));
    // The rate control goes by the timestamps, so the bits that not-coded repeats save go
    // to the coded pictures.
    video_.notCodedRepeats = codec->id == AV_CODEC_ID_MPEG4 && enc->max_b_frames == 0;
    video_.enc = std::move(enc);
    video_.stream = st;
    video_.pkt = newPacket();
    video_.lastPicture = newFrame();
    if (twoEncoders) {
        const AVCodecContext* e = video_.enc.get();
        videoPair_ = std::make_unique<ParallelVideo>(
            video_.enc.get(), groupPictures,
            skippedWmv2Picture(e->extradata, e->extradata_size, e->width, e->height),
            [this](AVPacket* pkt) { writePacket(video_, true, pkt); });
    }
}

void Output::addAudio(const AVStream* src) {
    const AVCodec* codec = avcodec_find_encoder_by_name(profile_.audioEncoder);
    if (!codec) {
        throw Failure(std::string("the audio encoder ") + profile_.audioEncoder + " is missing");
    }
    const int srcRate = src->codecpar->sample_rate > 0 ? src->codecpar->sample_rate : 22050;
    const int askedRate = opt_.sampleRate.value_or(srcRate);
    const int rate = nearestSampleRate(supportedSampleRates(codec), askedRate);
    if (rate != askedRate) {
        reporter_.info("Note: " +
                       format("%s cannot take %d Hz; using %d Hz", codec->name, askedRate, rate));
    }
    const int srcChannels = std::clamp(src->codecpar->ch_layout.nb_channels, 1, 2);
    const int channels = opt_.channels.value_or(srcChannels);
    const double askedKbps = opt_.audioKbps.value_or(64);
    const int kbps = nearestAudioBitrate(codec->name, rate, askedKbps);
    if (double(kbps) != askedKbps) {
        reporter_.info("Note: " + format("%s cannot take %g kbit/s at %d Hz; using %d kbit/s",
                                         codec->name, askedKbps, rate, kbps));
    }
    const AVSampleFormat* fmts = supportedSampleFormats(codec);
    AVSampleFormat fmt = fmts ? fmts[0] : AV_SAMPLE_FMT_FLTP;
    for (const AVSampleFormat* f = fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == AV_SAMPLE_FMT_FLTP) {
            fmt = *f;  // what most decoders give: no conversion needed
        }
    }

    CodecPtr enc(avcodec_alloc_context3(codec));
    if (!enc) {
        throw Failure("out of memory");
    }
    enc->sample_rate = rate;
    enc->sample_fmt = fmt;
    av_channel_layout_default(&enc->ch_layout, channels);
    enc->bit_rate = int64_t(kbps) * 1000;
    enc->time_base = {1, rate};
    if (oc_->oformat->flags & AVFMT_GLOBALHEADER) {
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    int ret = avcodec_open2(enc.get(), codec, nullptr);
    if (ret < 0) {
        throw Failure(format("cannot start the audio encoder %s at %d Hz, %d channels, %d kbit/s: ",
                             codec->name, rate, channels, kbps) +
                      avError(ret));
    }
    AVStream* st = avformat_new_stream(oc_.get(), nullptr);
    if (!st || avcodec_parameters_from_context(st->codecpar, enc.get()) < 0) {
        throw Failure("out of memory");
    }
    st->time_base = enc->time_base;
    ashape_.sampleRate = rate;
    ashape_.channels = channels;
    ashape_.format = fmt;
    if (!(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) {
        ashape_.frameSize = enc->frame_size;
    }
    reporter_.info(format("Output %s: audio %s %d Hz %d ch %d kbit/s", quoted(opt_.target).c_str(),
                          codec->name, rate, channels, kbps));
    audio_.enc = std::move(enc);
    audio_.stream = st;
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
            enc, length, [this](AVPacket* pkt) { writePacket(audio_, false, pkt); });
    }
}

void Output::open(const struct stat& input) {
    target_.open(opt_.target, input, opt_.overwrite);
    oc_->pb = target_.io();
    oc_->flags |= AVFMT_FLAG_CUSTOM_IO;
    const int ret = avformat_write_header(oc_.get(), nullptr);
    if (ret < 0) {
        throw Failure("cannot write output file " + quoted(opt_.target) + ": " + writeProblem(ret));
    }
}

void Output::encode(bool video, AVFrame* frame) {
    send(video ? video_ : audio_, video, frame);
}

void Output::close() {
    const int ret = av_write_trailer(oc_.get());
    if (ret < 0) {
        throw Failure("cannot write output file " + quoted(opt_.target) + ": " + writeProblem(ret));
    }
    target_.close();
    oc_->pb = nullptr;  // gone with the target; the size now comes from the closed file
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
        writePacket(out, video, pkt);
    }
}

// Writes a not-coded picture for `frame` when it repeats the last picture coded and that
// picture's packet is out; otherwise keeps `frame` as the last picture and returns false.
bool Output::writeRepeat(Out& out, AVFrame* frame) {
    if (samePicture(frame, out.lastPicture.get()) && out.framesSent == out.packetsReceived) {
        const std::vector<uint8_t> data = notCodedPicture(out.enc->time_base, out.lastPicture->pts);
        AVPacket* pkt = out.pkt.get();
        if (av_new_packet(pkt, static_cast<int>(data.size())) < 0) {
            throw Failure("out of memory");
        }
        std::memcpy(pkt->data, data.data(), data.size());
        pkt->pts = pkt->dts = frame->pts;
        pkt->duration = 1;
        out.lastPts = frame->pts;
        writePacket(out, true, pkt);
        return true;
    }
    av_frame_unref(out.lastPicture.get());
    if (av_frame_ref(out.lastPicture.get(), frame) < 0) {
        throw Failure("out of memory");
    }
    return false;
}

void Output::writePacket(Out& out, bool video, AVPacket* pkt) {
    const AVRational tb = out.enc->time_base;
    std::lock_guard lock(mux_);
    if (video) {
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
        const int64_t duration = pkt->duration > 0 ? pkt->duration : (video ? 1 : 0);
        out.end = std::max(out.end, double(pkt->pts + duration) * av_q2d(tb));
    }
    av_packet_rescale_ts(pkt, tb, out.stream->time_base);
    pkt->stream_index = out.stream->index;
    const int ret = av_interleaved_write_frame(oc_.get(), pkt);
    if (ret < 0) {
        throw Failure("cannot write output file " + quoted(opt_.target) + ": " + writeProblem(ret));
    }
    reporter_.update(statsLocked());
}

bool Output::wroteAnything() const {
    std::lock_guard lock(mux_);
    return frames_ > 0 || audioBytes_ > 0;
}

OutputStats Output::stats() const {
    std::lock_guard lock(mux_);
    return statsLocked();
}

OutputStats Output::statsLocked() const {
    OutputStats s;
    s.hasVideo = video_.stream != nullptr;
    s.frames = frames_;
    s.q = q_;
    s.bytes = std::max<int64_t>(target_.bytesWritten(), oc_->pb ? avio_tell(oc_->pb) : 0);
    double end = INFINITY;
    for (const Out* o : {&video_, &audio_}) {
        if (o->stream) {
            end = std::min(end, o->end);
        }
    }
    s.time = std::isfinite(end) ? end : 0;
    s.videoBytes = videoBytes_;
    s.audioBytes = audioBytes_;
    for (const Out* o : {&video_, &audio_}) {
        if (o->enc) {
            s.headerBytes += o->enc->extradata_size;
        }
    }
    return s;
}

}  // namespace coder
