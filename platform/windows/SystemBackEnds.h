// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real back ends of this system, under the names that the program and the tests use.
#include "platform/real/IniProfileFiles.h"
#include "platform/windows/JobProcesses.h"
#include "platform/windows/WindowsFileSystem.h"

namespace vm {

using SystemFileSystem = WindowsFileSystem;
using SystemProcesses = JobProcesses;
using SystemProfileFiles = IniProfileFiles;

}  // namespace vm
