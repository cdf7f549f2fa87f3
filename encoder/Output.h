// SPDX-License-Identifier: GPL-3.0-or-later
// The writing side of a conversion: where each encoded stream's frames go. A frame is given
// a timestamp if it has none, padded when it is a short last audio frame, written as a
// not-coded picture when it repeats the picture before (RepeatedPicture.h), and encoded by
// the stream's encoder or by two encoders on two cores (ParallelMp3.h, ParallelVideo.h);
// the packets go to the muxer thread (Muxer.h). The video and the audio may be encoded on two
// threads at once: each stream's encoders are used by one thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "Av.h"
#include "EncoderProgress.h"
#include "EncoderSettings.h"
#include "Filters.h"
#include "Muxer.h"
#include "Options.h"
#include "OutputProfile.h"
#include "ParallelMp3.h"
#include "ParallelVideo.h"

namespace coder {

class Output {
  public:
    Output(const Options& options, const OutputProfile& profile, ProgressReporter& reporter);

    // Set up an encoder and a stream shaped after the options and the source stream.
    void addVideo(const AVStream* src);
    void addAudio(const AVStream* src);
    const VideoShape& videoShape() const { return vshape_; }
    const AudioShape& audioShape() const { return ashape_; }
    AVRational timeBase(bool video) const { return (video ? video_ : audio_).tb; }

    // Spreads the encoding of MP3 audio over two encoders on two cores, for audio expected to
    // last `seconds` (0: not known); only worth it when nothing else keeps a core busy.
    void useTwoAudioEncoders(double seconds);
    // Creates the target (refusing the input file itself) and writes the header.
    void open(const FileIdentity& input);
    // Encodes and writes one frame with pts in timeBase(video); nullptr drains the encoder.
    // The video and the audio may each be encoded on a thread of their own.
    void encode(bool video, AVFrame* frame);
    // Once no stream is being encoded any more: waits until everything is written; throws
    // when it could not be. Then wroteAnything(), stats() and close().
    void finish();
    bool wroteAnything() const;
    // Writes the trailer and closes the target; throws when anything was not written.
    void close();
    OutputStats stats() const;

  private:
    struct Out {
        CodecPtr enc;
        AVRational tb{0, 1};  // the encoder's time base
        int stream = -1;      // the muxer's
        int64_t lastPts = INT64_MIN;
        PacketPtr pkt;  // reused for every packet of the stream
        // Video only: repeated pictures become not-coded pictures (see RepeatedPicture.h).
        bool notCodedRepeats = false;
        FramePtr lastPicture;  // the last picture given to the encoder
        int64_t framesSent = 0;
        int64_t packetsReceived = 0;
    };

    void send(Out& out, bool video, AVFrame* frame);
    bool writeRepeat(Out& out, AVFrame* frame);

    const Options& opt_;
    const OutputProfile profile_;
    ProgressReporter& reporter_;
    Muxer mux_;
    Out video_;
    Out audio_;
    VideoShape vshape_;
    AudioShape ashape_;
    // Declared after what they write to, so that they stop first.
    std::unique_ptr<ParallelVideo> videoPair_;  // encodes the video instead of video_.enc
    std::unique_ptr<ParallelMp3> audioPair_;    // encodes the audio instead of audio_.enc
};

}  // namespace coder
