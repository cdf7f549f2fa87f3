// SPDX-License-Identifier: GPL-3.0-or-later
// The writing side of a conversion: the encoders for the target's format, the muxer, the
// target file, and the figures that the progress lines report. Once the target is open, the
// video and the audio may be encoded on two threads at once: each stream's encoder is used by
// one thread only, and the muxer and the figures are shared under a lock. A stream may have
// two encoders of its own (ParallelMp3.h, ParallelVideo.h), whose packets come to the muxer
// in order through the same lock.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <mutex>

#include "Av.h"
#include "Filters.h"
#include "Options.h"
#include "OutputProfile.h"
#include "ParallelMp3.h"
#include "ParallelVideo.h"
#include "Progress.h"
#include "TargetFile.h"

namespace coder {

class Output {
  public:
    Output(const Options& options, const OutputProfile& profile, ProgressReporter& reporter);

    // Set up an encoder and a stream shaped after the options and the source stream.
    void addVideo(const AVStream* src);
    void addAudio(const AVStream* src);
    const VideoShape& videoShape() const { return vshape_; }
    const AudioShape& audioShape() const { return ashape_; }
    AVRational timeBase(bool video) const { return (video ? video_ : audio_).enc->time_base; }

    // Spreads the encoding of MP3 audio over two encoders on two cores, for audio expected to
    // last `seconds` (0: not known); only worth it when nothing else keeps a core busy.
    void useTwoAudioEncoders(double seconds);
    // Creates the target (refusing the input file itself) and writes the header.
    void open(const struct stat& input);
    // Encodes and writes one frame with pts in timeBase(video); nullptr drains the encoder.
    // The video and the audio may each be encoded on a thread of their own.
    void encode(bool video, AVFrame* frame);
    // wroteAnything(), close() and stats() once no stream is being encoded any more.
    bool wroteAnything() const;
    // Writes the trailer and closes the target; throws when anything was not written.
    void close();
    OutputStats stats() const;

  private:
    struct FormatDeleter {
        void operator()(AVFormatContext* c) const { avformat_free_context(c); }
    };
    struct Out {
        CodecPtr enc;
        AVStream* stream = nullptr;
        double end = 0;  // end time written so far, seconds
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
    void writePacket(Out& out, bool video, AVPacket* pkt);
    OutputStats statsLocked() const;

    const Options& opt_;
    const OutputProfile profile_;
    ProgressReporter& reporter_;
    TargetFile target_;  // outlives oc_, which writes through it
    std::unique_ptr<AVFormatContext, FormatDeleter> oc_;
    Out video_;
    std::unique_ptr<ParallelVideo> videoPair_;  // encodes the video instead of video_.enc
    Out audio_;
    std::unique_ptr<ParallelMp3> audioPair_;  // encodes the audio instead of audio_.enc
    VideoShape vshape_;
    AudioShape ashape_;
    mutable std::mutex mux_;  // the muxer, the target and the figures below
    int64_t frames_ = 0;
    double q_ = 0;
    int64_t videoBytes_ = 0;
    int64_t audioBytes_ = 0;
};

}  // namespace coder
