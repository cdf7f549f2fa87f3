// SPDX-License-Identifier: GPL-3.0-or-later
#include "TargetFile.h"

#include <cerrno>
#include <cstdio>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include "Av.h"
#include "AvCompat.h"
#include "Errors.h"

namespace coder {

namespace {
constexpr int kBufferSize = 64 * 1024;

int writeCallback(void* opaque, AvioWriteBuffer buf, int size) {
    return static_cast<TargetFile*>(opaque)->writeBytes(buf, size);
}

int64_t seekCallback(void* opaque, int64_t offset, int whence) {
    return static_cast<TargetFile*>(opaque)->seekTo(offset, whence);
}
}  // namespace

TargetFile::~TargetFile() {
    discard();
}

void TargetFile::open(const std::string& path, const FileIdentity& input, bool overwrite) {
    path_ = path;
    file_ = std::make_unique<PendingFile>(path, input, overwrite);
    const bool seekable = file_->seekable();
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    io_ = buffer ? avio_alloc_context(buffer, kBufferSize, 1, this, nullptr, writeCallback,
                                      seekable ? seekCallback : nullptr)
                 : nullptr;
    if (!io_) {
        av_free(buffer);
        throw Failure("out of memory");
    }
    io_->seekable = seekable ? AVIO_SEEKABLE_NORMAL : 0;
    // libavformat marks a point to flush at after every packet it writes, and the ASF muxer
    // after each of its own packets as well. Below this much the marks are passed over: one
    // system call for each full buffer instead of one for each picture and audio frame.
    io_->min_packet_size = kBufferSize;
}

std::string TargetFile::writeProblem(int averror) const {
    if (file_ && failed_) {
        return fileProblem(file_->error());
    }
    return coder::writeProblem(averror);
}

int TargetFile::writeBytes(const uint8_t* buf, int size) {
    if (failed_ || !file_->write(buf, size_t(size), pos_)) {
        failed_ = true;
        return AVERROR(EIO);  // the system's own error is kept for the message
    }
    pos_ += size;
    if (pos_ > size_) {
        size_ = pos_;
    }
    return size;
}

int64_t TargetFile::seekTo(int64_t offset, int whence) {
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return size_;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            offset += pos_;
            break;
        case SEEK_END:
            offset += size_;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (offset < 0) {
        return AVERROR(EINVAL);
    }
    pos_ = offset;
    return pos_;
}

void TargetFile::release() {
    if (io_) {
        av_freep(&io_->buffer);  // the context may have replaced the buffer we gave it
        avio_context_free(&io_);
    }
}

void TargetFile::close() {
    if (!file_) {
        return;
    }
    avio_flush(io_);
    const bool ioFailed = io_->error < 0;
    release();
    if (failed_) {
        failTarget(TargetStep::Write, path_, file_->error());  // discard() removes the rest
    }
    if (ioFailed) {
        failTarget(TargetStep::Write, path_, errnoError(EIO));
    }
    file_->finish();
    file_.reset();
}

void TargetFile::discard() {
    release();
    file_.reset();  // an unfinished file is discarded with it
}

}  // namespace coder
