// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Browser.h"
#include "Dialogs.h"
#include "FileSystem.h"
#include "Links.h"
#include "Processes.h"
#include "ProfileFiles.h"

namespace vm {

// Every outside effect the program has, in one bundle handed to the window.
struct Platform {
    FileSystem& files;
    Processes& processes;
    Dialogs& dialogs;
    Links& links;
    Browser& browser;
    ProfileFiles& profiles;
};

}  // namespace vm
