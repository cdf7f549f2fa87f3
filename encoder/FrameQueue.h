// SPDX-License-Identifier: GPL-3.0-or-later
// A short queue of filtered frames of one stream, from the decoding thread to an encoding
// thread. It is bounded so that memory stays small whatever the length of the source, and a
// waiting side is woken only once the other side has filled or emptied half of it, so that
// small frames do not cost a wake-up each.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

#include "Av.h"

namespace coder {

class FrameQueue {
  public:
    explicit FrameQueue(size_t capacity)
        : capacity_(capacity < 2 ? 2 : capacity), half_(capacity_ / 2) {}

    // False when the queue was closed: the consumer wants nothing more.
    bool push(FramePtr frame) {
        std::unique_lock lock(mutex_);
        if (!closed_ && items_.size() >= capacity_) {
            producerWaiting_ = true;
            notFull_.wait(lock, [&] { return closed_ || items_.size() <= half_; });
            producerWaiting_ = false;
        }
        if (closed_) {
            return false;
        }
        items_.push_back(std::move(frame));
        if (consumerWaiting_ && items_.size() >= half_) {
            notEmpty_.notify_one();
        }
        return true;
    }

    // False when the producer has finished and everything was taken, or the queue was closed.
    bool pop(FramePtr& frame) {
        std::unique_lock lock(mutex_);
        if (items_.empty() && !finished_ && !closed_) {
            consumerWaiting_ = true;
            notEmpty_.wait(lock, [&] { return finished_ || closed_ || items_.size() >= half_; });
            consumerWaiting_ = false;
        }
        if (items_.empty() || closed_) {
            return false;
        }
        frame = std::move(items_.front());
        items_.pop_front();
        if (producerWaiting_ && items_.size() <= half_) {
            notFull_.notify_one();
        }
        return true;
    }

    void finish() {  // producer: no more frames
        std::lock_guard lock(mutex_);
        finished_ = true;
        notEmpty_.notify_all();
    }

    bool closed() const {
        std::lock_guard lock(mutex_);
        return closed_;
    }

    void close() {  // consumer, or the owner on failure: stop both sides
        std::lock_guard lock(mutex_);
        closed_ = true;
        items_.clear();
        notFull_.notify_all();
        notEmpty_.notify_all();
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable notFull_;
    std::condition_variable notEmpty_;
    std::deque<FramePtr> items_;
    const size_t capacity_;
    const size_t half_;
    bool producerWaiting_ = false;
    bool consumerWaiting_ = false;
    bool finished_ = false;
    bool closed_ = false;
};

}  // namespace coder
