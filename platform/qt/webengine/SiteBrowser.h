// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The embedded browser of this build (VM_BROWSER=webengine), under the name the program uses.
#include "platform/qt/WebEngineBrowser.h"

namespace vm {

using SiteBrowser = WebEngineBrowser;

}  // namespace vm
