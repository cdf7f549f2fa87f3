// SPDX-License-Identifier: GPL-3.0-or-later
// One conversion: source -> filters -> encoders -> target. Reading, decoding and filtering
// run on a thread of their own, encoding and writing on the calling thread, so that both
// cores work.
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
#include "Output.h"
#include "Progress.h"

namespace coder {

class Transcoder {
  public:
    Transcoder(const Options& options, ProgressReporter& reporter);
    ~Transcoder();

    // Converts; throws Failure. The closing lines are printed only after the target has
    // been completely written and closed.
    void run();

  private:
    // decoding thread
    void produce();
    void decode(bool video, AVPacket* pkt);
    void filter(bool video, AVFrame* frame);
    void drain(bool video);

    const Options& opt_;
    ProgressReporter& reporter_;
    std::unique_ptr<Input> in_;
    std::unique_ptr<Output> out_;
    bool hasVideo_ = false;
    bool hasAudio_ = false;

    FilterChain vchain_;
    FilterChain achain_;
    bool firstVideoChain_ = true;
    bool firstAudioChain_ = true;
    int64_t nextPts_[2] = {AV_NOPTS_VALUE, AV_NOPTS_VALUE};  // guesses for frames without
    std::atomic<int> damaged_{0};
    FrameQueue queue_{8};
    std::thread producer_;
    std::exception_ptr producerError_;
};

}  // namespace coder
