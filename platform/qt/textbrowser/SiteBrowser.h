// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The embedded browser of this build (VM_BROWSER=textbrowser), under the name the program uses.
#include "platform/qt/TextBrowser.h"

namespace vm {

using SiteBrowser = TextBrowser;

}  // namespace vm
