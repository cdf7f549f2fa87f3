// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioResampler.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace coder {

AudioResampler::AudioResampler(const AVFrame* f, AVRational inTb, const AudioShape& out, bool first)
    : inTb_(inTb), out_(out), scratch_(newFrame()) {
    open(f, first ? 0 : AV_NOPTS_VALUE);
    fifo_.reset(av_audio_fifo_alloc(out.format, out.channels, 4096));
    if (!fifo_) {
        throw Failure("out of memory");
    }
}

void AudioResampler::reshape(const AVFrame* f) {
    convert(nullptr);  // what the old conversion still holds
    const int64_t end =
        fifoPts_ == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : fifoPts_ + av_audio_fifo_size(fifo_.get());
    open(f, end);
}

void AudioResampler::open(const AVFrame* f, int64_t firstPts) {
    AVChannelLayout in = FilterChain::layoutOf(f);
    AVChannelLayout to{};
    av_channel_layout_default(&to, out_.channels);
    SwrContext* swr = nullptr;
    int ret = swr_alloc_set_opts2(&swr, &to, out_.format, out_.sampleRate, &in,
                                  AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
    swr_.reset(swr);
    inRate_ = f->sample_rate;
    if (ret >= 0) {
        // Stretch or squeeze by a little, fill gaps with silence and drop overlaps, so that
        // every sample lands where its timestamp says.
        ret = av_opt_set_double(swr, "async", 1, 0);
    }
    if (ret >= 0 && firstPts != AV_NOPTS_VALUE) {
        // The option counts samples of the input's rate.
        ret = av_opt_set_int(swr, "first_pts", av_rescale(firstPts, inRate_, out_.sampleRate), 0);
    }
    if (ret >= 0 && in.nb_channels == 1 && out_.channels == 2) {
        const double bothSides[2] = {1.0, 1.0};  // the one channel at its full level on each
        ret = swr_set_matrix(swr, bothSides, 1);
    }
    if (ret >= 0) {
        ret = swr_init(swr);
    }
    av_channel_layout_uninit(&in);
    if (ret < 0) {
        throw Failure(format("cannot convert the audio from %d Hz to %d Hz, %d channels: ",
                             f->sample_rate, out_.sampleRate, out_.channels) +
                      avError(ret));
    }
}

void AudioResampler::push(const AVFrame* f) {
    if (ended_) {
        return;
    }
    convert(f);
    ended_ = f == nullptr;
}

void AudioResampler::convert(const AVFrame* f) {
    int64_t pts = AV_NOPTS_VALUE;  // of the next sample out, in 1/output rate
    if (f && f->pts != AV_NOPTS_VALUE) {
        const int64_t in =
            av_rescale(f->pts, int64_t(inTb_.num) * out_.sampleRate * inRate_, inTb_.den);
        const int64_t next = swr_next_pts(swr_.get(), in);
        pts = (next >= 0 ? next + inRate_ / 2 : next - inRate_ / 2) / inRate_;
    }
    const int inSamples = f ? f->nb_samples : 0;
    const uint8_t* const* inData = f ? f->extended_data : nullptr;
    for (bool first = true;; first = false) {
        const int room = swr_get_out_samples(swr_.get(), first ? inSamples : 0) + 256;
        if (scratch_->nb_samples < room) {
            av_frame_unref(scratch_.get());
            scratch_->format = out_.format;
            scratch_->nb_samples = room;
            av_channel_layout_default(&scratch_->ch_layout, out_.channels);
            if (av_frame_get_buffer(scratch_.get(), 0) < 0) {
                throw Failure("out of memory");
            }
        }
        const int n = swr_convert(swr_.get(), scratch_->extended_data, room,
                                  first ? const_cast<const uint8_t**>(inData) : nullptr,
                                  first ? inSamples : 0);
        if (n < 0) {
            throw Failure("converting the audio failed: " + avError(n));
        }
        if (n > 0) {
            if (av_audio_fifo_size(fifo_.get()) == 0 && pts != AV_NOPTS_VALUE) {
                fifoPts_ = pts;
            }
            if (av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(scratch_->extended_data),
                                    n) < n) {
                throw Failure("out of memory");
            }
        }
        // More waits inside only when the room was filled, or at the end.
        if (n < room && (f || n == 0)) {
            return;
        }
    }
}

int AudioResampler::pull(AVFrame* f) {
    const int have = av_audio_fifo_size(fifo_.get());
    const int want = out_.frameSize > 0 ? out_.frameSize : std::max(have, 1);
    if (have == 0 || (have < want && !ended_)) {
        return ended_ && have == 0 ? AVERROR_EOF : AVERROR(EAGAIN);
    }
    const int n = std::min(have, want);
    f->format = out_.format;
    f->sample_rate = out_.sampleRate;
    f->nb_samples = n;
    av_channel_layout_default(&f->ch_layout, out_.channels);
    if (av_frame_get_buffer(f, 0) < 0) {
        throw Failure("out of memory");
    }
    if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(f->extended_data), n) < n) {
        throw Failure("converting the audio failed");
    }
    if (fifoPts_ == AV_NOPTS_VALUE) {
        fifoPts_ = 0;
    }
    f->pts = fifoPts_;
    fifoPts_ += n;
    return 0;
}

}  // namespace coder
