// SPDX-License-Identifier: GPL-3.0-or-later
// What a pending file (PendingFile.h) is on a POSIX system: shared by its creation
// (PendingFile.cpp) and its placing (Placement.cpp).
#pragma once

#include <sys/stat.h>

#include <string>

#include "Errors.h"
#include "PendingFile.h"

namespace coder {

struct PendingFile::State {
    std::string path;      // the target as given
    std::string final;     // the name the complete file takes (a link's file when replacing)
    std::string written;   // the temporary name we write under; empty while there is none
    std::string tempName;  // the pattern of the temporary name
    bool replacing = false;
    struct stat old {};    // when replacing: the file that the complete one replaces
    bool unnamed = false;  // writing into a file that has no name yet
    int fd = -1;
    bool regular = false;
    bool owned = false;  // a regular file we created and have not completed
    struct stat own {};
    SystemError error;

    int giveName();  // links an unnamed file into the folder; 0 or an errno
    void placeUnnamed();
    void placeNamed();
    void closeWritten();
    [[noreturn]] void fail(TargetStep step, int err) const;
};

inline bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace coder
