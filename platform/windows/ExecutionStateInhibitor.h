// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SleepInhibitor.h"

namespace vm {

// Keeps the machine from sleeping through the thread's execution state
// (SetThreadExecutionState), which Windows drops when the thread ends, so that a program that
// ends however it ends holds nothing. The reason is not shown: Windows keeps none for this.
// Hold and release from the same thread (the window's).
class ExecutionStateInhibitor final : public SleepInhibitor {
  public:
    ExecutionStateInhibitor() = default;
    ExecutionStateInhibitor(const ExecutionStateInhibitor&) = delete;
    ExecutionStateInhibitor& operator=(const ExecutionStateInhibitor&) = delete;
    ~ExecutionStateInhibitor() override { release(); }

    void hold(const QString& reason) override;
    void release() override;
    bool held() const { return held_; }

  private:
    bool held_ = false;
};

}  // namespace vm
