// SPDX-License-Identifier: GPL-3.0-or-later
// The encoder's unit tests: each failed check is printed and counted, and the program's exit
// status says whether all held.
#pragma once

#include <cstdio>

namespace coder::test {

inline int failures = 0;

inline void check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAIL: %s\n", what);
        ++failures;
    }
}

// The exit status of a test program, once every check has run.
inline int finish() {
    if (failures == 0) {
        std::printf("all checks hold\n");
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace coder::test
