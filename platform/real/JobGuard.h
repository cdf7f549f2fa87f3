// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace vm {

// Encoder jobs end with the program, however it ends (a crash, a kill, a logout), and the
// temp folders that copies which no longer run left behind are removed. Each system has its
// own means (a guard process on POSIX, Job Objects on Windows); see its JobGuard.cpp.

// Removes the temp folders of copies that no longer run, then starts what ends the jobs. Call it
// first thing in main(), while the program has no other thread, window or connection.
void StartJobGuard();

// Called by the process back end as a job (id as Processes gives it) starts and ends. Nothing
// where the system needs no telling.
void GuardJobStarted(qint64 id);
void GuardJobEnded(qint64 id);

}  // namespace vm
