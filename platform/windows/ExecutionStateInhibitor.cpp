// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExecutionStateInhibitor.h"

#include <windows.h>

namespace vm {

void ExecutionStateInhibitor::hold(const QString& reason) {
    Q_UNUSED(reason);
    // The system stays awake; the display may still go dark, as it would while a long copy runs.
    if (!held_ && SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0) {
        held_ = true;
    }
}

void ExecutionStateInhibitor::release() {
    if (held_) {
        SetThreadExecutionState(ES_CONTINUOUS);
        held_ = false;
    }
}

}  // namespace vm
