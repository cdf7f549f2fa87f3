// SPDX-License-Identifier: GPL-3.0-or-later
// One conversion: source -> decoders -> filters -> encoders -> target. Reading and decoding
// run on a thread of their own, the video is filtered and encoded on the calling thread and
// the audio on a third thread, so that the work spreads over both cores whatever its mix; the
// muxer has a thread of its own (Muxer.h).
#pragma once

#include <memory>

#include "Av.h"
#include "EncoderProgress.h"
#include "FrameQueue.h"
#include "Input.h"
#include "Options.h"
#include "Output.h"
#include "SourceReader.h"
#include "StreamEncoder.h"
#include "Worker.h"

namespace coder {

class Transcoder {
  public:
    Transcoder(const Options& options, ProgressReporter& reporter);
    ~Transcoder();

    // Converts; throws Failure. The closing lines are printed only after the target has
    // been completely written and closed.
    void run();

  private:
    void stopThreads();

    const Options& opt_;
    ProgressReporter& reporter_;
    std::unique_ptr<Input> in_;
    std::unique_ptr<Output> out_;

    // Decoded frames, at most a few of each stream: source-sized pictures are large, audio
    // frames small and many.
    FrameQueue videoQueue_{8};
    FrameQueue audioQueue_{32};
    std::unique_ptr<SourceReader> reader_;
    std::unique_ptr<StreamEncoder> videoEncoder_;
    std::unique_ptr<StreamEncoder> audioEncoder_;
    Worker readerThread_;
    Worker audioThread_;
};

}  // namespace coder
