// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcStat.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vm {

std::optional<ProcStat> ReadProcStat(pid_t pid) {
    char path[64];
    if (pid <= 0 ||
        std::snprintf(path, sizeof path, "/proc/%ld/stat", long(pid)) >= int(sizeof path)) {
        return std::nullopt;
    }
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    // The fields wanted come first; the rest of the line is of no interest.
    char line[512];
    ssize_t n;
    do {
        n = ::read(fd, line, sizeof line - 1);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    line[n > 0 ? n : 0] = '\0';
    // "pid (name) state ppid pgrp ...": the name may hold anything, blanks and parentheses
    // too, so it ends at the last ')'.
    const char* open = std::strchr(line, '(');
    const char* close = std::strrchr(line, ')');
    ProcStat stat;
    long parent = 0;
    long group = 0;
    if (open == nullptr || close == nullptr || close < open ||
        std::sscanf(close + 1, " %c %ld %ld", &stat.state, &parent, &group) != 3) {
        return std::nullopt;
    }
    stat.name.assign(open + 1, close);
    stat.parent = pid_t(parent);
    stat.group = pid_t(group);
    return stat;
}

std::vector<pid_t> ProcessIds() {
    std::vector<pid_t> pids;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return pids;
    }
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid > 0 && *end == '\0') {
            pids.push_back(pid_t(pid));
        }
    }
    ::closedir(proc);
    std::sort(pids.begin(), pids.end());
    return pids;
}

}  // namespace vm
