// SPDX-License-Identifier: GPL-3.0-or-later
// A short queue of filtered frames of one stream (or of other items), from one thread to
// another. It is bounded so that memory stays small whatever the length of the source, and a
// waiting producer is woken only once the consumer has emptied half of it, and a waiting
// consumer once the producer has filled half of it (or a given batch), so that small frames
// do not cost a wake-up each. Several threads may push (the muxer's queue takes the packets of
// both encoders): every waiting one is woken, since a producer woken alone would leave the
// other asleep for good once it had filled the room.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

#include "Av.h"

namespace coder {

template <typename Item>
class BoundedQueue {
  public:
    explicit BoundedQueue(size_t capacity, size_t batch = 0)
        : capacity_(capacity < 2 ? 2 : capacity),
          batch_(batch > 0 && batch < capacity_ / 2 ? batch : capacity_ / 2) {}

    // False when the queue was closed: the consumer wants nothing more.
    bool push(Item item) {
        std::unique_lock lock(mutex_);
        if (!closed_ && items_.size() >= capacity_) {
            ++producersWaiting_;
            notFull_.wait(lock, [&] { return closed_ || items_.size() <= capacity_ / 2; });
            --producersWaiting_;
        }
        if (closed_) {
            return false;
        }
        items_.push_back(std::move(item));
        if (consumersWaiting_ > 0 && items_.size() >= batch_) {
            notEmpty_.notify_all();
        }
        return true;
    }

    // False when the producer has finished and everything was taken, or the queue was closed.
    bool pop(Item& item) {
        std::unique_lock lock(mutex_);
        if (items_.empty() && !finished_ && !closed_) {
            ++consumersWaiting_;
            notEmpty_.wait(lock, [&] { return finished_ || closed_ || items_.size() >= batch_; });
            --consumersWaiting_;
        }
        if (items_.empty() || closed_) {
            return false;
        }
        item = std::move(items_.front());
        items_.pop_front();
        if (producersWaiting_ > 0 && items_.size() <= capacity_ / 2) {
            notFull_.notify_all();
        }
        return true;
    }

    // Lets the producer run further ahead from now on.
    void widen(size_t capacity) {
        std::lock_guard lock(mutex_);
        capacity_ = std::max(capacity, capacity_);
        notFull_.notify_all();
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

    // How many producers or consumers wait on the queue right now.
    int producersWaiting() const {
        std::lock_guard lock(mutex_);
        return producersWaiting_;
    }
    int consumersWaiting() const {
        std::lock_guard lock(mutex_);
        return consumersWaiting_;
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
    std::deque<Item> items_;
    size_t capacity_;
    const size_t batch_;  // wake a waiting consumer once this many items are in
    int producersWaiting_ = 0;
    int consumersWaiting_ = 0;
    bool finished_ = false;
    bool closed_ = false;
};

using FrameQueue = BoundedQueue<FramePtr>;

}  // namespace coder
