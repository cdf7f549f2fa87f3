// SPDX-License-Identifier: GPL-3.0-or-later
#include "Transcoder.h"

#include "Errors.h"

#include <string>

namespace coder {

Transcoder::Transcoder(const Options& options, ProgressReporter& reporter)
    : opt_(options), reporter_(reporter) {}

Transcoder::~Transcoder() {
    stopThreads();
}

void Transcoder::stopThreads() {
    videoQueue_.close();
    audioQueue_.close();
    readerThread_.join();
    audioThread_.join();
}

void Transcoder::run() {
    const auto profile = profileForTarget(opt_.target);
    if (!profile) {
        throw Failure("output file " + quotedPath(opt_.target) +
                      " has no known extension; use .avi, .wmv or .mp3");
    }
    in_ = std::make_unique<Input>(opt_.input);
    const bool hasVideo = in_->videoDecoder() && profile->videoEncoder;
    const bool hasAudio = in_->audioDecoder() != nullptr;
    if (!profile->videoEncoder && !hasAudio) {
        throw Failure("input file " + quotedPath(opt_.input) +
                      " has no audio, so no MP3 file can be made from it");
    }
    reporter_.info(in_->describe());
    for (const std::string& n : opt_.notes) {
        reporter_.note(n);
    }
    out_ = std::make_unique<Output>(opt_, *profile, reporter_);
    ReadPlan plan;
    plan.video = hasVideo;
    plan.audio = hasAudio;
    if (hasVideo) {
        out_->addVideo(in_->videoStream());
        plan.videoTimeBase = in_->videoStream()->time_base;
        if (out_->videoShape().sourceRate.num) {
            plan.videoRate = out_->videoShape().sourceRate;
        }
        videoEncoder_ = std::make_unique<StreamEncoder>(true, *out_, plan.videoTimeBase);
    }
    if (hasAudio) {
        out_->addAudio(in_->audioStream());
        plan.audioTimeBase = in_->audioStream()->time_base;
        audioEncoder_ = std::make_unique<StreamEncoder>(false, *out_, plan.audioTimeBase);
        if (!hasVideo) {
            const int64_t d = in_->format()->duration;
            out_->useTwoAudioEncoders(d > 0 ? double(d) / AV_TIME_BASE : 0);
        }
    }
    // Only now, with everything else ready, is the target touched.
    out_->open(in_->identity());

    // From here on the reader thread alone uses the source, and each stream's encoder is
    // used by one thread alone; they meet only in the queues and in the output's muxer.
    reader_ = std::make_unique<SourceReader>(*in_, plan, videoQueue_, audioQueue_);
    readerThread_.start(
        "read",
        [this] {
            reader_->run();
            videoQueue_.finish();
            audioQueue_.finish();
        },
        [this] {
            videoQueue_.close();  // the encoders stop without draining
            audioQueue_.close();
        });
    if (hasVideo && hasAudio) {
        audioThread_.start(
            "audio", [this] { audioEncoder_->run(audioQueue_); },
            [this] { audioQueue_.close(); });  // stops the reader, and with it the video
    }
    if (hasVideo) {
        videoEncoder_->run(videoQueue_);
    } else {
        audioEncoder_->run(audioQueue_);
    }
    readerThread_.join();
    audioThread_.join();
    // An encoder's failure first: the reader then only reports that it was stopped.
    audioThread_.rethrow();
    readerThread_.rethrow();
    out_->finish();
    if (!out_->wroteAnything()) {
        throw Failure("nothing in input file " + quotedPath(opt_.input) +
                      " could be decoded: it is damaged, or not a valid Flash video");
    }
    // A target without a stream that the source carries is no conversion of it.
    if (const OutputStats w = out_->stats(); w.frames == 0 || w.audioBytes == 0) {
        checkEveryStream(opt_.input, hasVideo && w.frames == 0, hasAudio && w.audioBytes == 0);
    }
    out_->close();
    if (const int n = in_->discontinuities(); n > 0) {
        reporter_.note(
            format("%d jump%s in the input's timestamps closed up", n, n == 1 ? "" : "s"));
    }
    if (const int64_t us = reader_->overlapCutUs(); us >= 100000) {
        reporter_.note(format("%.1f s of damaged audio that overlapped the audio after it was cut",
                              double(us) / 1e6));
    }
    if (reader_->damaged() > 0) {
        reporter_.note(std::to_string(reader_->damaged()) +
                       " damaged packets of the input were skipped");
    }
    reporter_.finish(out_->stats());
}

}  // namespace coder
