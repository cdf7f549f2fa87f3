// SPDX-License-Identifier: GPL-3.0-or-later
// A thread's name as the system's tools show it (top -H, gdb; under Wine the same, through
// the Windows name). Each system has its own (posix/, windows/).
#pragma once

#include <string>

namespace coder {

// Names the calling thread; at most 15 bytes of `name` are kept.
void nameThisThread(const std::string& name);

}  // namespace coder
