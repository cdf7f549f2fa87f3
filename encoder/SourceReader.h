// SPDX-License-Identifier: GPL-3.0-or-later
// The decoding thread of a conversion: reads the source's packets, decodes them and hands the
// decoded frames, with their timestamps settled, to one queue per stream.
#pragma once

#include "AudioOverlap.h"
#include "Av.h"
#include "FrameQueue.h"
#include "Input.h"

namespace coder {

// All that the decoding thread knows of the rest of the conversion: a copy made before the
// thread starts. After that the thread touches only the source and the two queues.
struct ReadPlan {
    bool video = false;                 // decode the video stream
    bool audio = false;                 // decode the audio stream
    AVRational videoRate{25, 1};        // frame rate assumed for frames without timestamps
    AVRational videoTimeBase{1, 1000};  // of the source's video stream
    AVRational audioTimeBase{1, 1000};  // of the source's audio stream
};

class SourceReader {
  public:
    // `input` belongs to this reader from the start of run() until it returns.
    SourceReader(Input& input, const ReadPlan& plan, FrameQueue& video, FrameQueue& audio);

    // Reads to the end of the source; throws Failure. Frames go out with pts in the source
    // stream's time base, counted from the start of the file.
    void run();
    // Damaged packets skipped; read it after run() has returned.
    int damaged() const { return damaged_; }
    // Microseconds of decoded audio that ran past the next audio and were cut; read it after
    // run() has returned.
    int64_t overlapCutUs() const { return overlap_.cutUs(); }

  private:
    void decode(bool video, const AVPacket* pkt);
    void stamp(bool video, AVFrame* frame);
    void deliver(bool video, FramePtr frame);

    Input& in_;
    const ReadPlan plan_;
    FrameQueue& videoQueue_;
    FrameQueue& audioQueue_;
    int64_t nextPts_[2] = {AV_NOPTS_VALUE, AV_NOPTS_VALUE};  // guesses for frames without
    AudioOverlap overlap_;  // holds back one audio frame until the next says where it ends
    int damaged_ = 0;
};

}  // namespace coder
