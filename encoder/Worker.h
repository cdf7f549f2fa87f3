// SPDX-License-Identifier: GPL-3.0-or-later
// A thread of one encoder's own: it runs one task and keeps the task's failure for whoever
// waits for it. Declare it last among its owner's members, so that it starts when everything
// it uses is ready and ends before any of that is gone.
#pragma once

#include <exception>
#include <functional>
#include <thread>

namespace coder {

class Worker {
  public:
    // `task` runs on the new thread; when it throws, `stop` runs there too, so that whoever
    // feeds the task stops as well.
    Worker(std::function<void()> task, std::function<void()> stop)
        : thread_([this, task = std::move(task), stop = std::move(stop)] {
              try {
                  task();
              } catch (...) {
                  error_ = std::current_exception();
                  stop();
              }
          }) {}
    ~Worker() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Waits for the task to end; throws its failure.
    void wait() {
        if (thread_.joinable()) {
            thread_.join();
        }
        if (error_) {
            std::rethrow_exception(error_);
        }
    }
    // Until wait() has returned.
    bool running() const { return thread_.joinable(); }

  private:
    std::exception_ptr error_;
    std::thread thread_;
};

}  // namespace coder
