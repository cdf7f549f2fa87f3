// SPDX-License-Identifier: GPL-3.0-or-later
// Every thread of the encoder but the main one is a Worker: it carries a name (top -H, gdb),
// runs one task, and keeps the task's failure for whoever waits for it.
//
// The owner calls start() as the last step of its constructor, when everything the task uses
// is ready, and join() or wait() as the first step of its destructor, while all of that still
// exists. So the worker may sit anywhere among the owner's members; the destructor checks that
// it was stopped in time.
//
// Locks: the threads meet in BoundedQueue (FrameQueue.h) and in a mutex or two of the owners
// (ParallelMp3, ParallelVideo). None of them is ever taken while another is held, so there is
// no order between them to keep; the ThreadSanitizer build (README) reports any nesting.
#pragma once

#include <cassert>
#include <exception>
#include <functional>
#include <string>
#include <thread>

#include "ThreadName.h"

namespace coder {

class Worker {
  public:
    Worker() = default;
    ~Worker() {
        assert(!thread_.joinable() && "a worker is joined in its owner's destructor");
        join();
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Runs `task` on a new thread called `name` (at most 15 bytes). When the task throws,
    // `onFailure` runs there too, so that whoever feeds the task stops as well.
    void start(std::string name, std::function<void()> task, std::function<void()> onFailure) {
        thread_ = std::thread([this, name = std::move(name), task = std::move(task),
                               onFailure = std::move(onFailure)] {
            nameThisThread(name);
            try {
                task();
            } catch (...) {
                error_ = std::current_exception();
                onFailure();
            }
        });
    }

    // Waits for the task to end.
    void join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    // Waits for the task to end; throws its failure.
    void wait() {
        join();
        rethrow();
    }
    // Throws the task's failure, if any. Only after join(), or once `onFailure` has been seen
    // to run (through the lock of what it stopped).
    void rethrow() const {
        if (error_) {
            std::rethrow_exception(error_);
        }
    }
    // From start() until join() or wait() has returned.
    bool running() const { return thread_.joinable(); }
    // Called from the worker's own thread.
    bool onItsThread() const { return thread_.get_id() == std::this_thread::get_id(); }

  private:
    std::exception_ptr error_;
    std::thread thread_;
};

}  // namespace coder
