// SPDX-License-Identifier: GPL-3.0-or-later
// MP3 encoding on two cores. LAME encodes frame after frame, each frame leaning on the one
// before, so a single encoder keeps one core busy at most. Here the audio is cut into
// segments that two encoders take in turn. Each starts a few frames early, so that its filter
// bank has settled by the time its frames count, and runs a few frames late, so that there is a
// choice of frames at which the next segment's encoder can take over seamlessly (Mp3Splice.h).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "Av.h"

namespace coder {

class ParallelMp3 {
  public:
    // Frames of settling before a segment's frames count; frames where the next segment may
    // take over; frames past those that an encoder must see so that it treats them as it
    // would in a single run.
    static constexpr int64_t kLeadIn = 12, kJoinChoices = 8, kLookahead = 3;
    static constexpr int64_t kMinSegment = 16 * (kLeadIn + kJoinChoices + kLookahead);
    // At most two encoders run: a segment's encoder starts only once the one two before it
    // has ended. That one has all its input by then, and so ends, only if its input stops
    // before the new segment's begins; otherwise both wait on each other for ever.
    static_assert(kMinSegment >= kLeadIn + kJoinChoices + kLookahead,
                  "a segment ends its input before the one two after it starts");

    using Writer = std::function<void(AVPacket*)>;

    // `model`: an open libmp3lame encoder, which encodes the first segment; the encoders of
    // the others copy its settings. Until finish() has returned, nothing else may use it.
    // `segmentFrames` (at least kMinSegment): the frames of one segment. `write` gets every
    // frame of the stream, in order, on the thread that calls send() and finish().
    ParallelMp3(AVCodecContext* model, int64_t segmentFrames, Writer write);
    ~ParallelMp3();  // stops the encoders without writing anything more

    // The next frame of the audio; all but the last hold exactly the encoder's frame size.
    void send(const AVFrame* frame);
    // Encodes and writes the rest; throws Failure.
    void finish();

    // Segments needed for `frames` frames when each may hold `maxFrames`: a multiple of
    // two of the same length, so that both encoders finish together. 0: one encoder does.
    static int64_t segmentFrames(int64_t frames, int64_t maxFrames);

  private:
    struct Segment;
    void start();
    void settle();

    AVCodecContext* model_;
    const int64_t length_;
    Writer write_;
    int64_t sent_ = 0;                               // frames sent
    int64_t started_ = 0;                            // segments started
    std::deque<std::unique_ptr<Segment>> segments_;  // not yet written, oldest first
};

}  // namespace coder
