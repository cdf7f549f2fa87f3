// SPDX-License-Identifier: GPL-3.0-or-later
// The source: a local Flash video file, its best video and audio streams, their decoders.
#pragma once

#include <memory>
#include <string>

#include "Av.h"
#include "FileIdentity.h"
#include "Timeline.h"

namespace coder {

class Input {
  public:
    // Throws Failure when the file is missing, unreadable or not a video we can decode.
    explicit Input(const std::string& path);

    AVFormatContext* format() const { return fmt_.get(); }
    const FileIdentity& identity() const { return identity_; }
    const std::string& path() const { return path_; }

    int videoIndex() const { return videoIndex_; }  // -1 when there is none
    int audioIndex() const { return audioIndex_; }
    AVStream* videoStream() const { return videoIndex_ < 0 ? nullptr : fmt_->streams[videoIndex_]; }
    AVStream* audioStream() const { return audioIndex_ < 0 ? nullptr : fmt_->streams[audioIndex_]; }
    AVCodecContext* videoDecoder() const { return vdec_.get(); }
    AVCodecContext* audioDecoder() const { return adec_.get(); }

    // The next packet, its timestamps moved onto a continuous timeline that starts at 0
    // (see Timeline); the result of av_read_frame.
    int read(AVPacket* pkt);
    // Where the decoded content of a stream's latest packet ends (see Timeline).
    void contentEnds(int stream, int64_t end) { timeline_->contentEnds(stream, end); }
    int discontinuities() const { return timeline_ ? timeline_->discontinuities() : 0; }

    // One line describing the source, for the log.
    std::string describe() const;

  private:
    // Throws Failure naming the codec when the video is in the enhanced form of Flash video
    // and this FFmpeg did not read it as that codec.
    void checkEnhancedVideo() const;
    CodecPtr openDecoder(int index);

    std::string path_;
    FileIdentity identity_;
    InputPtr fmt_;
    int videoIndex_ = -1;
    int audioIndex_ = -1;
    CodecPtr vdec_;
    CodecPtr adec_;
    std::unique_ptr<Timeline> timeline_;
};

}  // namespace coder
