// SPDX-License-Identifier: GPL-3.0-or-later
// Console control events (Ctrl+C, Ctrl+Break, the console closed, logoff, shutdown) end the
// process as they do by default, but first remove the unfinished file of ours that has a name
// and is not marked to be deleted when closed. One file at a time.
#pragma once

#include <string>

#include "FileIdentity.h"

namespace coder {

// Installs the handler; from the start of the process on.
void handleStopEvents();
// From now on a stop event removes `name`, if it is still the file `identity`.
void removeOnStop(const std::wstring& name, const FileIdentity& identity);
// The file is complete, gone or marked again: a stop event leaves it alone.
void keepOnStop();

}  // namespace coder
