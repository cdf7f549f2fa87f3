// SPDX-License-Identifier: GPL-3.0-or-later
// Hints for the race checker (ThreadSanitizer, -DVM_SANITIZE=thread): what it cannot see for
// itself. They check nothing; without the checker they are empty.
//
// FFmpeg's libraries are not built for it, so their buffers' atomic reference counts order
// nothing in its eyes. When a picture is shared, one thread reads it and drops its reference,
// and another thread drops the last one, the buffer goes back to its pool and is written again
// by the second thread: a race that the counts rule out, but that the checker reports. The
// reader says when it is done with a picture's buffers, and whoever may drop the last reference
// says so first. Without the checker these do nothing.
#pragma once

extern "C" {
#include <libavutil/frame.h>
}

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace coder {

#if defined(__SANITIZE_THREAD__)
template <typename Tell>
void eachBuffer(const AVFrame* frame, Tell tell) {
    for (AVBufferRef* buf : frame->buf) {
        if (buf != nullptr) {
            tell(buf->buffer);
        }
    }
}
#endif

// The calling thread is done with the picture's buffers (it will not touch them again).
inline void doneWithBuffers([[maybe_unused]] const AVFrame* frame) {
#if defined(__SANITIZE_THREAD__)
    eachBuffer(frame, __tsan_release);
#endif
}

// The calling thread is about to drop what may be the last reference to the picture's buffers.
inline void droppingBuffers([[maybe_unused]] const AVFrame* frame) {
#if defined(__SANITIZE_THREAD__)
    eachBuffer(frame, __tsan_acquire);
#endif
}

}  // namespace coder
