// SPDX-License-Identifier: GPL-3.0-or-later
// One conversion: source -> filters -> encoders -> target. Decoding and filtering run on a
// thread of their own, encoding and writing on the calling thread, so that both cores work.
#pragma once

#include <atomic>
#include <exception>
#include <memory>
#include <thread>

#include "Av.h"
#include "Filters.h"
#include "FrameQueue.h"
#include "Input.h"
#include "Options.h"
#include "OutputProfile.h"
#include "Progress.h"
#include "TargetFile.h"

namespace coder {

class Transcoder {
  public:
    Transcoder(const Options& options, ProgressReporter& reporter);
    ~Transcoder();

    // Converts; throws Failure. The closing lines are printed only after the target has
    // been completely written and closed.
    void run();

  private:
    struct OutputDeleter {
        void operator()(AVFormatContext* c) const { avformat_free_context(c); }
    };
    struct Out {
        CodecPtr enc;
        AVStream* stream = nullptr;
        double end = 0;  // end time written so far, seconds
        int64_t lastPts = INT64_MIN;
    };

    void setUpVideo();
    void setUpAudio();
    void note(const std::string& text);

    // decoding thread
    void produce();
    void decode(bool video, AVPacket* pkt);
    void filter(bool video, AVFrame* frame);
    void drain(bool video);

    // encoding thread
    void encode(Out& out, bool video, AVFrame* frame);
    void writePacket(Out& out, bool video, AVPacket* pkt);
    OutputStats stats() const;

    const Options& opt_;
    ProgressReporter& reporter_;
    OutputProfile profile_{};
    std::unique_ptr<Input> in_;
    std::unique_ptr<AVFormatContext, OutputDeleter> oc_;
    TargetFile target_;
    Out video_;
    Out audio_;
    VideoShape vshape_;
    AudioShape ashape_;
    bool hasVideo_ = false;
    bool hasAudio_ = false;

    FilterChain vchain_;
    FilterChain achain_;
    bool firstVideoChain_ = true;
    bool firstAudioChain_ = true;
    int64_t nextPts_[2] = {AV_NOPTS_VALUE, AV_NOPTS_VALUE};  // [video], guessed for frames without
    std::atomic<int> damaged_{0};
    FrameQueue queue_{8};
    std::thread producer_;
    std::exception_ptr producerError_;

    int64_t frames_ = 0;
    double q_ = 0;
    int64_t videoBytes_ = 0;
    int64_t audioBytes_ = 0;
};

}  // namespace coder
