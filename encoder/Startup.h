// SPDX-License-Identifier: GPL-3.0-or-later
// What the process settles before it converts anything, on each system (posix/, windows/):
// its standard handles (input never read, nothing on output, the log as bytes), the events
// that end it, and its arguments.
#pragma once

#include <string>
#include <vector>

namespace coder {

// Settles the process and returns its arguments after the program's name, in UTF-8.
std::vector<std::string> startProcess(int argc, char** argv);

}  // namespace coder
