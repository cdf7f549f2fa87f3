// SPDX-License-Identifier: GPL-3.0-or-later
#include "Av.h"

extern "C" {
#include <libavutil/error.h>
}

namespace coder {

void AvDeleter::operator()(AVFormatContext* c) const {
    avformat_close_input(&c);
}

FramePtr newFrame() {
    FramePtr f(av_frame_alloc());
    if (!f) {
        throw Failure("out of memory");
    }
    return f;
}

PacketPtr newPacket() {
    PacketPtr p(av_packet_alloc());
    if (!p) {
        throw Failure("out of memory");
    }
    return p;
}

std::string avError(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

}  // namespace coder
