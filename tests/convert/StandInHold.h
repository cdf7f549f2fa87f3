// SPDX-License-Identifier: GPL-3.0-or-later
// The stand-in encoder's "hold" step, as each system's encoder leaves its unfinished target:
// on POSIX a file held open at the target's name, which the run removes when it fails; on
// Windows one marked to be deleted when closed, gone with the process however it ends.
#pragma once

#include <string>

// Creates the target with `text` and holds it open until the process ends.
void HoldTarget(const std::string& path, const std::string& text);
