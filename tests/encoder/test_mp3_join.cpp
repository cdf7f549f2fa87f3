// SPDX-License-Identifier: GPL-3.0-or-later
// Two MP3 encodings of the same sound joined into one stream: wherever the join falls, the
// stream decodes without a complaint, as long as a single encoding, and sounds like one.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

#include "Av.h"
#include "Checks.h"
#include "Mp3Splice.h"

using namespace coder;
using namespace coder::test;

namespace {

constexpr int kRate = 22050, kFrame = 576;

int decoderComplaints = 0;
// The decoder's errors, such as a frame whose reservoir reaches back to bytes it never got.
void countComplaints(void*, int level, const char*, va_list) {
    if (level <= AV_LOG_ERROR) {
        ++decoderComplaints;
    }
}

// Noise bursts over a gliding tone, both sides different: hard enough that the encoders' bit
// reservoirs come and go and their windows switch to short blocks now and then.
std::vector<float> sound(int frames, int channel) {
    std::vector<float> s(size_t(frames) * kFrame);
    uint32_t seed = 12345 + uint32_t(channel);
    for (size_t i = 0; i < s.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double t = double(i) / kRate;
        const double noise =
            (double(seed >> 8) / double(1 << 24) - 0.5) * (std::fmod(t, 0.7) < 0.2);
        s[i] = float(0.3 * std::sin(2 * M_PI * (300 + 200 * std::sin(t)) * t) + 0.6 * noise);
    }
    return s;
}

mp3::EncodedRun encode(const std::vector<float> (&in)[2], int64_t first, int64_t end) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libmp3lame");
    CodecPtr enc(avcodec_alloc_context3(codec));
    enc->sample_rate = kRate;
    enc->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&enc->ch_layout, 2);
    enc->bit_rate = 56000;
    enc->time_base = {1, kRate};
    check(avcodec_open2(enc.get(), codec, nullptr) >= 0, "the encoder opens");
    mp3::EncodedRun run;
    run.first = first;
    auto receive = [&] {
        for (;;) {
            PacketPtr p = newPacket();
            if (avcodec_receive_packet(enc.get(), p.get()) < 0) {
                return;
            }
            run.frames.push_back(std::move(p));
        }
    };
    for (int64_t n = first; n < end; ++n) {
        FramePtr f = newFrame();
        f->format = AV_SAMPLE_FMT_FLTP;
        f->nb_samples = kFrame;
        f->sample_rate = kRate;
        f->pts = n * kFrame;
        av_channel_layout_default(&f->ch_layout, 2);
        av_frame_get_buffer(f.get(), 0);
        for (int c = 0; c < 2; ++c) {
            std::copy_n(in[c].begin() + n * kFrame, kFrame, reinterpret_cast<float*>(f->data[c]));
        }
        avcodec_send_frame(enc.get(), f.get());
        receive();
    }
    avcodec_send_frame(enc.get(), nullptr);
    receive();
    return run;
}

// The left channel of a stream of frames, decoded.
std::vector<float> decode(const std::vector<AVPacket*>& frames) {
    CodecPtr dec(avcodec_alloc_context3(avcodec_find_decoder(AV_CODEC_ID_MP3)));
    avcodec_open2(dec.get(), dec->codec, nullptr);
    std::vector<float> out;
    FramePtr f = newFrame();
    for (AVPacket* p : frames) {
        avcodec_send_packet(dec.get(), p);
        while (avcodec_receive_frame(dec.get(), f.get()) >= 0) {
            const auto* s = reinterpret_cast<const float*>(f->extended_data[0]);
            out.insert(out.end(), s, s + f->nb_samples);
            av_frame_unref(f.get());
        }
    }
    return out;
}

mp3::EncodedRun copyOf(const mp3::EncodedRun& run) {
    mp3::EncodedRun c;
    c.first = run.first;
    for (const PacketPtr& p : run.frames) {
        c.frames.push_back(PacketPtr(av_packet_clone(p.get())));
    }
    return c;
}

double rms(const std::vector<float>& a, const std::vector<float>& b, size_t from, size_t n) {
    double e = 0;
    for (size_t i = from; i < from + n; ++i) {
        e += (a[i] - (b.empty() ? 0 : b[i])) * (a[i] - (b.empty() ? 0 : b[i]));
    }
    return std::sqrt(e / double(n));
}

void joinsAnywhereDecodeAsOne() {
    constexpr int kFrames = 240, kSplit = 100, kLeadIn = 12;
    const std::vector<float> in[2] = {sound(kFrames, 0), sound(kFrames, 1)};
    const mp3::EncodedRun whole = encode(in, 0, kFrames);
    // The first encoding runs far past the split, so that every frame after the second's
    // lead-in can be tried as the join.
    const mp3::EncodedRun a = encode(in, 0, kFrames - 20);
    const mp3::EncodedRun b = encode(in, kSplit - kLeadIn, kFrames);
    std::vector<AVPacket*> wholeFrames;
    for (const PacketPtr& p : whole.frames) {
        wholeFrames.push_back(p.get());
    }
    const std::vector<float> reference = decode(wholeFrames);

    int joins = 0, grown = 0, fitting = 0, badWindows = 0, complaints = 0;
    size_t lengthDiffers = 0;
    for (int64_t at = kSplit; at < kFrames - 24; ++at) {
        mp3::EncodedRun first = copyOf(a);
        const int64_t before = first.frames[size_t(at - 1)]->size;
        fitting += mp3::findJoin(a, b, at, at + 1, mp3::Fit::AnyBlocks) ? 1 : 0;
        mp3::join(first, b, at);
        grown += first.frames.back()->size > before ? 1 : 0;
        std::vector<AVPacket*> frames;
        for (const PacketPtr& p : first.frames) {
            frames.push_back(p.get());
        }
        for (size_t i = size_t(at - b.first); i < b.frames.size(); ++i) {
            frames.push_back(b.frames[i].get());
        }
        decoderComplaints = 0;
        const std::vector<float> got = decode(frames);
        complaints += decoderComplaints;
        lengthDiffers += got.size() != reference.size();
        // After the join the second encoding's own quantisation shows; a frame of garbage or
        // of silence would differ from the single encoding by about the sound's own level.
        for (size_t w = 0; w + kFrame <= std::min(got.size(), reference.size()); w += kFrame) {
            if (rms(got, reference, w, kFrame) > 0.35 * rms(reference, {}, w, kFrame) + 1e-4) {
                ++badWindows;
            }
        }
        ++joins;
    }
    char what[160];
    std::snprintf(what, sizeof what,
                  "%d joins: %d decoder complaints, %zu lengths off, %d bad windows", joins,
                  complaints, lengthDiffers, badWindows);
    check(complaints == 0 && lengthDiffers == 0 && badWindows == 0, what);
    std::snprintf(what, sizeof what, "both kinds of join were tried: %d fit, %d grew a frame",
                  fitting, grown);
    check(fitting > 0 && grown > 0, what);
}

void framesAreRead() {
    const std::vector<float> in[2] = {sound(40, 0), sound(40, 1)};
    const mp3::EncodedRun run = encode(in, 0, 40);
    bool all = !run.frames.empty();
    for (const PacketPtr& p : run.frames) {
        const auto f = mp3::parseFrame(p->data, p->size);
        all = all && f && f->size == p->size && f->mainDataBegin <= 255 && f->growth > 0;
    }
    check(all, "every frame of the encoder is read, at its own size");
    const uint8_t notAFrame[8] = {0xFF, 0xFB, 0xF0, 0, 0, 0, 0, 0};  // bit rate index 15
    check(!mp3::parseFrame(notAFrame, 8), "a forbidden header is no frame");
    check(!mp3::parseFrame(notAFrame, 3), "three bytes are no frame");
}

}  // namespace

int main() {
    av_log_set_level(AV_LOG_ERROR);
    av_log_set_callback(countComplaints);
    framesAreRead();
    joinsAnywhereDecodeAsOne();
    return finish();
}
