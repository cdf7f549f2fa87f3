// SPDX-License-Identifier: GPL-3.0-or-later
// The muxer and the target file, owned by one thread of their own (named "mux"). The encoding
// threads hand it their packets through a queue, in the order in which the packets are to be
// written; the muxer thread writes them, and counts the figures that the progress lines show.
//
// Before start() and after finish(), the thread that owns the Muxer uses it alone: streams are
// added and the header written before, the figures read and the trailer written after.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Av.h"
#include "EncoderProgress.h"
#include "FrameQueue.h"
#include "Options.h"
#include "OutputProfile.h"
#include "TargetFile.h"
#include "Worker.h"

namespace coder {

class Muxer {
  public:
    Muxer(const Options& options, const OutputProfile& profile, ProgressReporter& reporter);
    ~Muxer();  // stops the muxer thread; an unclosed target is discarded

    // Whether the format wants the codecs' headers once, in its own header.
    bool globalHeader() const;
    // A stream for the packets of `enc`, an open encoder; its number for write().
    int addStream(const AVCodecContext* enc, bool video, unsigned codecTag = 0,
                  AVRational frameRate = {0, 0});

    // Creates the target (refusing the input file itself), writes the header, and starts the
    // muxer thread.
    void open(const FileIdentity& input);
    // From any thread: queues the packet of `stream` (timestamps in its encoder's time base)
    // for writing, taking its data; throws the muxer's failure.
    void write(int stream, AVPacket* pkt);
    // Writes what is queued and stops the muxer thread; throws its failure.
    void finish();
    // Writes the trailer and closes the target; throws when anything was not written.
    void close();

    // The figures so far; on the muxer thread, or while it does not run.
    OutputStats stats() const;

  private:
    struct FormatDeleter {
        void operator()(AVFormatContext* c) const { avformat_free_context(c); }
    };
    struct Stream {
        AVStream* st = nullptr;
        AVRational encoderTb{0, 1};
        bool video = false;
        double end = 0;  // end time written so far, seconds
    };
    struct Queued {
        int stream = 0;
        PacketPtr pkt;
    };

    void run();
    void writeNow(Stream& s, AVPacket* pkt);

    const Options& opt_;
    const OutputProfile& profile_;
    ProgressReporter& reporter_;
    TargetFile target_;  // outlives oc_, which writes through it
    std::unique_ptr<AVFormatContext, FormatDeleter> oc_;
    std::vector<Stream> streams_;
    BoundedQueue<Queued> queue_;
    // The figures, counted by the muxer thread.
    int64_t frames_ = 0;
    double q_ = 0;
    int64_t videoBytes_ = 0;
    int64_t audioBytes_ = 0;
    int64_t headerBytes_ = 0;
    Worker worker_;
};

}  // namespace coder
