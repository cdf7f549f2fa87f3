// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace vm {

// Encoder jobs run in process groups of their own, so nothing that ends the program (a
// crash, SIGTERM, the SIGHUP of a logout, even SIGKILL) reaches them by itself. The guard is
// a small process forked from the program that holds one end of a socket; the program tells
// it each job's group as the job starts and ends. When the program is gone, however it went,
// the socket reads end-of-file and the guard ends the jobs that still ran (SIGTERM, so that
// the encoder may remove what it was writing, then SIGKILL after a grace period) and removes
// the temp folders left behind (TempFolders.h). The guard runs in a session of its own and
// ignores the signals that end a session or a terminal's foreground jobs, so that it outlives
// the program to do this, and ends once it has done it.

// Removes the temp folders of copies that no longer run, then starts the guard. Call it
// first thing in main(), while the program has no other thread, window or connection.
void StartJobGuard();

// Called by the process back end as a job's group appears and is gone. Nothing without a
// guard.
void GuardJobStarted(qint64 pgid);
void GuardJobEnded(qint64 pgid);

}  // namespace vm
