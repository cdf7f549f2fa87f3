// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real back ends of this system, under the names that the program and the tests use.
#include "platform/real/IniProfileFiles.h"
#include "platform/real/PosixFileSystem.h"
#include "platform/real/ShellProcesses.h"

namespace vm {

using SystemFileSystem = PosixFileSystem;
using SystemProcesses = ShellProcesses;
using SystemProfileFiles = IniProfileFiles;

}  // namespace vm
