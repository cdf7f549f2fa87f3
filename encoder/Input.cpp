// SPDX-License-Identifier: GPL-3.0-or-later
#include "Input.h"

#include "EnhancedFlv.h"
#include "Errors.h"
#include "SourceFile.h"

#include <cerrno>
#include <cstring>
#include <string_view>

extern "C" {
#include <libavutil/dict.h>
}

namespace coder {

namespace {
// Beyond 4K: no Flash video is this large, and no memory limit of ours lets it be decoded.
constexpr int64_t kLargestPicture = int64_t(4096) * 2304;
}  // namespace

Input::Input(const std::string& path) : path_(path) {
    const SourceCheck source = checkSource(path);
    if (source.kind != SourceCheck::Regular || source.size == 0) {
        throw Failure(unreadableSource(path, 0));
    }
    identity_ = source.identity;
    // Read the name as a local file, never as a URL or a playlist that points elsewhere, and
    // only with the demuxers for Flash video (and its MP4 cousin F4V).
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "protocol_whitelist", "file", 0);
    av_dict_set(&opts, "format_whitelist", "flv,live_flv,mov,mp4,m4a,3gp,3g2,mj2", 0);
    AVFormatContext* raw = nullptr;
    int ret = avformat_open_input(&raw, ("file:" + path).c_str(), nullptr, &opts);
    av_dict_free(&opts);
    if (ret < 0) {
        throw Failure(unreadableSource(path, ret));
    }
    fmt_.reset(raw);
    ret = avformat_find_stream_info(raw, nullptr);
    if (ret < 0) {
        throw Failure(unreadableSource(path, ret));
    }
    checkEnhancedVideo();
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        raw->streams[i]->discard = AVDISCARD_ALL;
    }
    videoIndex_ = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    audioIndex_ = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    // A stream that never carried a packet has no codec: it is as good as absent. One whose
    // packets name a codec unknown here cannot be left out quietly.
    for (int* index : {&videoIndex_, &audioIndex_}) {
        if (*index < 0) {
            continue;
        }
        const AVCodecParameters* par = raw->streams[*index]->codecpar;
        if (par->codec_id == AV_CODEC_ID_NONE && par->codec_tag != 0) {
            throw Failure(
                coder::format("input file %s holds %s in a codec that cannot be decoded "
                              "(unknown codec number %u)",
                              quotedPath(path).c_str(), index == &videoIndex_ ? "video" : "audio",
                              par->codec_tag));
        }
        if (par->codec_id == AV_CODEC_ID_NONE) {
            *index = -1;
        }
    }
    if (videoIndex_ < 0) {
        videoIndex_ = -1;
    } else {
        vdec_ = openDecoder(videoIndex_);
    }
    if (audioIndex_ < 0) {
        audioIndex_ = -1;
    } else {
        adec_ = openDecoder(audioIndex_);
    }
    if (!vdec_ && !adec_) {
        throw Failure("input file " + quotedPath(path) +
                      " is truncated or damaged: it holds neither video nor audio");
    }
    timeline_ = std::make_unique<Timeline>(*raw, std::vector<int>{videoIndex_, audioIndex_});
}

void Input::checkEnhancedVideo() const {
    const std::string_view demuxer = fmt_->iformat->name;
    if (demuxer != "flv" && demuxer != "live_flv") {
        return;
    }
    const EnhancedVideo enhanced = enhancedVideo("file:" + path_);
    if (enhanced.name.empty()) {
        return;
    }
    for (unsigned i = 0; i < fmt_->nb_streams; ++i) {
        const AVCodecParameters* par = fmt_->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && par->codec_id == enhanced.codec &&
            enhanced.codec != AV_CODEC_ID_NONE) {
            return;  // read as what it is
        }
    }
    throw Failure("input file " + quotedPath(path_) + " holds " + enhanced.name +
                  " video in the enhanced form of Flash video, which this build cannot "
                  "decode (it needs FFmpeg 6.1 or later)");
}

int Input::read(AVPacket* pkt) {
    const int ret = av_read_frame(fmt_.get(), pkt);
    if (ret >= 0) {
        timeline_->rebase(*pkt);
    }
    return ret;
}

CodecPtr Input::openDecoder(int index) {
    AVStream* st = fmt_->streams[index];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    const char* kind = st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? "video" : "audio";
    if (!codec) {
        throw Failure("input file " + quotedPath(path_) + " holds " + kind +
                      " in a codec that cannot be decoded here (" +
                      avcodec_get_name(st->codecpar->codec_id) + ")");
    }
    CodecPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        throw Failure("out of memory");
    }
    int ret = avcodec_parameters_to_context(ctx.get(), st->codecpar);
    if (ret >= 0) {
        ctx->pkt_timebase = st->time_base;
        // Decoding has a thread of its own beside the encoder's; frame threads inside the
        // decoder would add little on two cores and cost a few megabytes of frames.
        ctx->thread_count = 1;
        ret = avcodec_open2(ctx.get(), codec, nullptr);
    }
    const AVCodecParameters& par = *st->codecpar;
    if (ret == AVERROR(ENOMEM) && int64_t(par.width) * par.height > kLargestPicture) {
        throw Failure(
            coder::format("the video of input file %s claims pictures of %dx%d pixels, "
                          "too large to decode; the file is damaged",
                          quotedPath(path_).c_str(), par.width, par.height));
    }
    if (ret < 0) {
        throw Failure(std::string("the ") + kind + " of input file " + quotedPath(path_) +
                      " cannot be decoded: " + avError(ret));
    }
    st->discard = AVDISCARD_DEFAULT;
    return ctx;
}

std::string Input::describe() const {
    std::string s = "Input " + quotedPath(path_) + ":";
    if (AVStream* v = videoStream()) {
        const AVRational r = v->avg_frame_rate.num ? v->avg_frame_rate : v->r_frame_rate;
        s += coder::format(" video %s %dx%d %.2f fps", avcodec_get_name(v->codecpar->codec_id),
                           v->codecpar->width, v->codecpar->height, r.den ? av_q2d(r) : 0.0);
    } else {
        s += " no video";
    }
    if (AVStream* a = audioStream()) {
        s += coder::format(", audio %s %d Hz %d ch", avcodec_get_name(a->codecpar->codec_id),
                           a->codecpar->sample_rate, a->codecpar->ch_layout.nb_channels);
    } else {
        s += ", no audio";
    }
    return s;
}

}  // namespace coder
