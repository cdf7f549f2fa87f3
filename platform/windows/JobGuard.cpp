// SPDX-License-Identifier: GPL-3.0-or-later
// The job guard of Windows is the system's: each job runs in a Job Object that ends all of its
// processes when its last handle closes (JobProcesses.cpp). Only the program holds that handle,
// and the system closes it when the program ends, however it ends. What is left to do here is
// removing the temp folders of copies that no longer run.
#include "platform/real/JobGuard.h"

namespace vm {

// WindowsTempFolders.h
void RemoveAbandonedTempFolders();

void StartJobGuard() {
    RemoveAbandonedTempFolders();
}

void GuardJobStarted(qint64) {}

void GuardJobEnded(qint64) {}

}  // namespace vm
