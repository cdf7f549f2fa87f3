// SPDX-License-Identifier: GPL-3.0-or-later
// One conversion: source -> decoders -> filters -> encoders -> target, spread over both cores
// whatever its mix. Its threads, each a Worker named as top -H and gdb show it:
//   "read"       reads the source and decodes both streams (SourceReader.h);
//   main         filters and encodes the video; for WMV it hands the pictures on to
//   "video 1/2"  the two encoders of alternate groups of pictures (ParallelVideo.h);
//   "audio"      filters and encodes the audio; for MP3 it hands the samples on to
//   "mp3 N"      the encoders of successive segments, at most two at a time (ParallelMp3.h);
//   "mux"        writes the packets into the target, in order (Muxer.h).
// They meet only in the queues between them (FrameQueue.h) and the locks Worker.h lists.
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
