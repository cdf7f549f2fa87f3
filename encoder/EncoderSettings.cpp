// SPDX-License-Identifier: GPL-3.0-or-later
#include "EncoderSettings.h"

#include "AvCompat.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <thread>

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

}  // namespace

VideoEncoder openVideoEncoder(const Options& opt, const OutputProfile& profile, const AVStream* src,
                              bool globalHeader) {
    const AVCodec* codec = avcodec_find_encoder_by_name(profile.videoEncoder);
    if (!codec) {
        throw Failure(std::string("the video encoder ") + profile.videoEncoder + " is missing");
    }
    VideoEncoder v;
    VideoShape& shape = v.shape;
    shape.sourceRate = sourceRate(src);
    if (opt.frameSize) {
        shape.width = opt.frameSize->width;
        shape.height = opt.frameSize->height;
    } else if (src->codecpar->width >= 2 && src->codecpar->height >= 2) {
        shape.width = src->codecpar->width & ~1;
        shape.height = src->codecpar->height & ~1;
    } else {
        shape.width = 320;
        shape.height = 240;
    }
    if (opt.frameRate) {
        shape.rate = av_d2q(*opt.frameRate, 65535);
    } else {
        shape.rate = shape.sourceRate.num ? shape.sourceRate : AVRational{25, 1};
        av_reduce(&shape.rate.num, &shape.rate.den, shape.rate.num, shape.rate.den, 65535);
    }
    shape.deinterlace = opt.deinterlace;

    CodecPtr enc(avcodec_alloc_context3(codec));
    if (!enc) {
        throw Failure("out of memory");
    }
    enc->width = shape.width;
    enc->height = shape.height;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->sample_aspect_ratio = {1, 1};
    enc->framerate = shape.rate;
    enc->time_base = av_inv_q(shape.rate);
    enc->bit_rate = std::llround(opt.videoKbps.value_or(200) * 1000);
    // The rate control's default leeway is 4 Mbit, more than a whole short clip at these
    // rates: busy clips came out a fifth to a half larger than asked. A quarter of a second's
    // worth keeps the size within a few per cent without starving hard scenes.
    enc->bit_rate_tolerance = int(std::min<int64_t>(enc->bit_rate / 4, INT_MAX));
    if (opt.highQuality) {
        enc->mb_decision = FF_MB_DECISION_BITS;
    }
    // One thread: the decoding, the audio and the video each have a thread of their own
    // already. Two slice threads inside the encoder were measured at 320x240: no faster on
    // two cores, 4 % more CPU time, and slices cost a little quality.
    enc->thread_count = 1;
    v.twoEncoders = codec->id == AV_CODEC_ID_WMV2 && std::thread::hardware_concurrency() >= 2;
    v.groupPictures = enc->gop_size;
    if (v.twoEncoders) {
        enc->gop_size = 600;  // the most the encoder takes: no key pictures of its own choice
    }
    if (globalHeader) {
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    const int ret = avcodec_open2(enc.get(), codec, nullptr);
    if (ret < 0) {
        throw Failure(format("cannot start the video encoder %s for %dx%d at %.3f fps: ",
                             codec->name, enc->width, enc->height, av_q2d(shape.rate)) +
                      avError(ret));
    }
    // The rate control goes by the timestamps, so the bits that not-coded repeats save go
    // to the coded pictures.
    v.notCodedRepeats = codec->id == AV_CODEC_ID_MPEG4 && enc->max_b_frames == 0;
    v.enc = std::move(enc);
    return v;
}

AudioEncoder openAudioEncoder(const Options& opt, const OutputProfile& profile, const AVStream* src,
                              bool globalHeader, ProgressReporter& reporter) {
    const AVCodec* codec = avcodec_find_encoder_by_name(profile.audioEncoder);
    if (!codec) {
        throw Failure(std::string("the audio encoder ") + profile.audioEncoder + " is missing");
    }
    const int srcRate = src->codecpar->sample_rate > 0 ? src->codecpar->sample_rate : 22050;
    const int askedRate = opt.sampleRate.value_or(srcRate);
    const int rate = nearestSampleRate(supportedSampleRates(codec), askedRate);
    if (rate != askedRate) {
        reporter.note(format("%s cannot take %d Hz; using %d Hz", codec->name, askedRate, rate));
    }
    const int srcChannels = std::clamp(src->codecpar->ch_layout.nb_channels, 1, 2);
    const int channels = opt.channels.value_or(srcChannels);
    const double askedKbps = opt.audioKbps.value_or(64);
    const int kbps = nearestAudioBitrate(codec->name, rate, askedKbps);
    if (double(kbps) != askedKbps) {
        reporter.note(format("%s cannot take %g kbit/s at %d Hz; using %d kbit/s", codec->name,
                             askedKbps, rate, kbps));
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
    if (globalHeader) {
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    const int ret = avcodec_open2(enc.get(), codec, nullptr);
    if (ret < 0) {
        throw Failure(format("cannot start the audio encoder %s at %d Hz, %d channels, %d kbit/s: ",
                             codec->name, rate, channels, kbps) +
                      avError(ret));
    }
    AudioEncoder a;
    a.shape.sampleRate = rate;
    a.shape.channels = channels;
    a.shape.format = fmt;
    if (!(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) {
        a.shape.frameSize = enc->frame_size;
    }
    a.kbps = kbps;
    a.enc = std::move(enc);
    return a;
}

}  // namespace coder
