// SPDX-License-Identifier: GPL-3.0-or-later
// The frame queue between coder.dll's threads, and the not-coded pictures that stand for
// repeated ones, checked on their own. Exit status 0 when all hold; each failure is printed.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include "Av.h"
#include "Checks.h"
#include "FrameQueue.h"
#include "RepeatedPicture.h"

using namespace coder;
using namespace coder::test;

namespace {

FramePtr numbered(int64_t n) {
    FramePtr f = newFrame();
    f->pts = n;
    return f;
}

// Everything pushed arrives once, in order, whatever the pace of either side; the queue never
// holds more than its capacity.
void queueDeliversEverythingInOrder() {
    for (size_t capacity : {2, 3, 8, 32}) {
        FrameQueue q(capacity);
        constexpr int64_t kCount = 5000;
        std::atomic<int64_t> pushed{0};
        std::atomic<int64_t> popped{0};
        bool overfull = false;
        std::thread producer([&] {
            for (int64_t i = 0; i < kCount; ++i) {
                if (!q.push(numbered(i))) {
                    return;
                }
                ++pushed;
                if (pushed - popped > static_cast<int64_t>(capacity) + 1) {
                    overfull = true;
                }
                if (i % 997 == 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
            }
            q.finish();
        });
        std::vector<int64_t> got;
        FramePtr f;
        while (q.pop(f)) {
            got.push_back(f->pts);
            ++popped;
            if (got.size() % 1013 == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        producer.join();
        bool inOrder = static_cast<int64_t>(got.size()) == kCount;
        for (size_t i = 0; inOrder && i < got.size(); ++i) {
            inOrder = got[i] == static_cast<int64_t>(i);
        }
        check(inOrder, "every frame arrives once and in order");
        check(!overfull, "the queue stays within its capacity");
        check(!q.closed(), "a finished queue is not a closed one");
    }
}

// Until `waiting` holds, for at most 20 s (far beyond any scheduling delay): what follows
// needs the other thread to be blocked in the queue already.
template <typename Waiting>
bool blocked(Waiting waiting) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!waiting()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A last batch smaller than the wake-up mark still reaches a waiting consumer, and closing
// frees a blocked producer and a blocked consumer alike.
void queueEndsAndStops() {
    {
        FrameQueue q(32);
        std::vector<int64_t> got;
        std::thread consumer([&] {
            FramePtr f;
            while (q.pop(f)) {
                got.push_back(f->pts);
            }
        });
        check(blocked([&] { return q.consumersWaiting() > 0; }), "the consumer waits");
        q.push(numbered(1));
        q.push(numbered(2));
        q.finish();
        consumer.join();
        check(got == std::vector<int64_t>{1, 2}, "a short last batch is delivered on finish");
    }
    {
        FrameQueue q(4);
        std::atomic<bool> refused{false};
        std::thread producer([&] {
            for (int i = 0;; ++i) {
                if (!q.push(numbered(i))) {
                    refused = true;
                    return;
                }
            }
        });
        check(blocked([&] { return q.producersWaiting() > 0; }), "the producer blocks");
        q.close();
        producer.join();
        check(refused, "closing refuses a blocked producer");
        FramePtr f;
        check(!q.pop(f), "a closed queue gives nothing more");
        check(q.closed(), "a closed queue says so");
    }
    {
        FrameQueue q(4);
        std::atomic<bool> ended{false};
        std::thread consumer([&] {
            FramePtr f;
            while (q.pop(f)) {
            }
            ended = true;
        });
        check(blocked([&] { return q.consumersWaiting() > 0; }), "the consumer waits");
        q.close();
        consumer.join();
        check(ended, "closing ends a waiting consumer");
    }
}

// Two producers blocked on a full queue both get their item in once the consumer empties it
// (the muxer's queue takes the packets of both encoders). Woken one at a time, the second slept
// on after the first had taken the room: a rare hang of a busy machine.
void twoBlockedProducersBothGoOn() {
    FrameQueue q(4);
    for (int i = 0; i < 4; ++i) {
        q.push(numbered(i));
    }
    std::atomic<int> through{0};
    std::vector<std::thread> producers;
    for (int i = 0; i < 2; ++i) {
        producers.emplace_back([&] { through += q.push(numbered(9)) ? 1 : 0; });
    }
    check(blocked([&] { return q.producersWaiting() == 2; }), "both producers block");
    FramePtr f;
    for (int i = 0; i < 4; ++i) {  // the four that filled it, slowly, as a muxer writes
        q.pop(f);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    check(blocked([&] { return through == 2; }), "both pushed once there was room");
    q.close();  // frees a producer left asleep, so that the test ends either way
    for (std::thread& t : producers) {
        t.join();
    }
}

FramePtr picture(int width, int height, int shade) {
    FramePtr f = newFrame();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = width;
    f->height = height;
    if (av_frame_get_buffer(f.get(), 0) < 0) {
        throw Failure("out of memory");
    }
    for (int plane = 0; plane < 3; ++plane) {
        const int h = plane ? height / 2 : height;
        const int w = plane ? width / 2 : width;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                f->data[plane][y * f->linesize[plane] + x] =
                    static_cast<uint8_t>(plane ? 128 : (x * 3 + y * 2 + shade) & 0xff);
            }
        }
    }
    return f;
}

void samePictureMeansSameBuffers() {
    FramePtr a = picture(64, 48, 0);
    FramePtr ref = newFrame();
    av_frame_ref(ref.get(), a.get());
    check(samePicture(ref.get(), a.get()), "a new reference to a picture is the same picture");
    FramePtr copy = picture(64, 48, 0);  // equal content, other buffers
    check(!samePicture(copy.get(), a.get()), "equal content in other buffers is not a repeat");
    FramePtr empty = newFrame();
    check(!samePicture(a.get(), empty.get()) && !samePicture(empty.get(), empty.get()),
          "a frame without buffers repeats nothing");
}

int decoderComplaints = 0;
int notCodedSeen = 0;
void countComplaints(void*, int level, const char* fmt, va_list args) {
    char line[512];
    std::vsnprintf(line, sizeof line, fmt, args);
    if (std::strstr(line, "vop not coded")) {
        ++notCodedSeen;  // said at the level of an error, though it is none
    } else if (level <= AV_LOG_WARNING) {
        ++decoderComplaints;
    }
}

// A stream of coded pictures with not-coded ones between them decodes without a complaint:
// the not-coded ones give no picture and leave the decoder's reading of the stream intact.
void notCodedPicturesDecode() {
    for (AVRational rate : {AVRational{2997, 100}, AVRational{25, 1}, AVRational{30000, 1001},
                            AVRational{1, 1}, AVRational{16, 1}, AVRational{120, 1}}) {
        const AVCodec* ec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
        const AVCodec* dc = avcodec_find_decoder(AV_CODEC_ID_MPEG4);
        CodecPtr enc(avcodec_alloc_context3(ec));
        CodecPtr dec(avcodec_alloc_context3(dc));
        enc->width = 64;
        enc->height = 48;
        enc->pix_fmt = AV_PIX_FMT_YUV420P;
        enc->time_base = av_inv_q(rate);
        enc->framerate = rate;
        enc->bit_rate = 200000;
        enc->gop_size = 5;
        check(avcodec_open2(enc.get(), ec, nullptr) >= 0, "the MPEG-4 encoder opens");
        dec->debug = FF_DEBUG_PICT_INFO;  // the decoder names each not-coded picture it reads
        check(avcodec_open2(dec.get(), dc, nullptr) >= 0, "the MPEG-4 decoder opens");
        decoderComplaints = 0;
        notCodedSeen = 0;
        av_log_set_level(AV_LOG_DEBUG);
        av_log_set_callback(countComplaints);
        PacketPtr pkt = newPacket();
        FramePtr out = newFrame();
        int decoded = 0;
        FramePtr lastOut = newFrame();
        int64_t lastCoded = 0;
        bool fine = true;
        // Coded at even ticks, repeated at odd ones; runs over a few seconds of time.
        const int64_t ticks = std::max<int64_t>(12, 4 * rate.num / rate.den);
        for (int64_t pts = 0; pts < ticks; ++pts) {
            if (pts % 2 == 0) {
                FramePtr in = picture(64, 48, static_cast<int>(pts) * 7);
                in->pts = pts;
                fine = fine && avcodec_send_frame(enc.get(), in.get()) >= 0 &&
                       avcodec_receive_packet(enc.get(), pkt.get()) >= 0;
                lastCoded = pts;
            } else {
                const std::vector<uint8_t> data = notCodedPicture(enc->time_base, lastCoded);
                av_packet_unref(pkt.get());
                fine = fine && av_new_packet(pkt.get(), static_cast<int>(data.size())) >= 0;
                std::copy(data.begin(), data.end(), pkt->data);
            }
            fine = fine && avcodec_send_packet(dec.get(), pkt.get()) >= 0;
            av_packet_unref(pkt.get());
            while (avcodec_receive_frame(dec.get(), out.get()) >= 0) {
                ++decoded;
                av_frame_unref(lastOut.get());
                av_frame_move_ref(lastOut.get(), out.get());
            }
        }
        // At the end of a stream whose last picture is a repeat, newer decoders hand out the
        // picture they hold once more (without a time): what a player shows there anyway.
        int atEnd = 0;
        bool sameAsLast = true;
        avcodec_send_packet(dec.get(), nullptr);
        while (avcodec_receive_frame(dec.get(), out.get()) >= 0) {
            ++atEnd;
            sameAsLast = sameAsLast && lastOut->data[0] && out->height == lastOut->height;
            for (int y = 0; sameAsLast && y < out->height; ++y) {
                sameAsLast = std::memcmp(out->data[0] + y * out->linesize[0],
                                         lastOut->data[0] + y * lastOut->linesize[0],
                                         static_cast<size_t>(out->width)) == 0;
            }
            av_frame_unref(out.get());
        }
        av_log_set_callback(av_log_default_callback);
        av_log_set_level(AV_LOG_INFO);
        check(fine, "coded and not-coded pictures go through encoder and decoder");
        check(decoded == (ticks + 1) / 2, "only the coded pictures come out of the decoder");
        check(atEnd <= (ticks % 2 == 0 ? 1 : 0) && sameAsLast,
              "the end of the stream gives at most the last picture once more");
        check(decoderComplaints == 0, "the decoder reads the not-coded pictures without a word");
        check(notCodedSeen == ticks / 2, "the decoder reads each repeat as a not-coded picture");
    }
}

}  // namespace

int main() {
    queueDeliversEverythingInOrder();
    queueEndsAndStops();
    twoBlockedProducersBothGoOn();
    samePictureMeansSameBuffers();
    notCodedPicturesDecode();
    return finish();
}
