// SPDX-License-Identifier: GPL-3.0-or-later
// A short queue of filtered frames from the decoding thread to the encoding thread. It is
// bounded so that memory stays small whatever the length of the source.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

#include "Av.h"

namespace coder {

struct QueuedFrame {
    bool video = false;
    FramePtr frame;  // null: that stream has ended
};

class FrameQueue {
  public:
    explicit FrameQueue(size_t capacity) : capacity_(capacity) {}

    // False when the queue was closed: the consumer wants nothing more.
    bool push(QueuedFrame item) {
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [&] { return closed_ || items_.size() < capacity_; });
        if (closed_) {
            return false;
        }
        items_.push_back(std::move(item));
        notEmpty_.notify_one();
        return true;
    }

    // False when the producer has finished and everything was taken.
    bool pop(QueuedFrame& item) {
        std::unique_lock lock(mutex_);
        notEmpty_.wait(lock, [&] { return finished_ || !items_.empty(); });
        if (items_.empty()) {
            return false;
        }
        item = std::move(items_.front());
        items_.pop_front();
        notFull_.notify_one();
        return true;
    }

    void finish() {  // producer: no more items
        std::lock_guard lock(mutex_);
        finished_ = true;
        notEmpty_.notify_all();
    }

    void close() {  // consumer: stop the producer
        std::lock_guard lock(mutex_);
        closed_ = true;
        items_.clear();
        notFull_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable notFull_;
    std::condition_variable notEmpty_;
    std::deque<QueuedFrame> items_;
    size_t capacity_;
    bool finished_ = false;
    bool closed_ = false;
};

}  // namespace coder
