// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace vm {

// What /proc/PID/stat tells of a process: its name as the kernel keeps it (at most 15 bytes),
// its state letter, its parent and its process group. Plain system calls only, no Qt and no
// locks, so that the job guard may read it in its forked process.
struct ProcStat {
    std::string name;
    char state = 0;
    pid_t parent = 0;
    pid_t group = 0;
};

// Nothing when the process is gone or its line cannot be read.
std::optional<ProcStat> ReadProcStat(pid_t pid);

// The processes that /proc shows at the moment, in increasing order of their id.
std::vector<pid_t> ProcessIds();

}  // namespace vm
