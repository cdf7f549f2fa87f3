// SPDX-License-Identifier: GPL-3.0-or-later
#include "Startup.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// CommandLineToArgvW
#include <shellapi.h>

#include "StopRemoval.h"
#include "WideText.h"

namespace coder {

std::vector<std::string> startProcess(int, char**) {
    // No message box for a missing disk or a crash: nobody may be there to answer it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // The log is bytes, each line ending in LF as on every system.
    _setmode(2, _O_BINARY);
    handleStopEvents();
    // The arguments as the system holds them, in UTF-16: every name converts, whatever the
    // code page (the narrow argv loses what the code page cannot hold).
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide && i < count; ++i) {
        arguments.push_back(utf8Text(wide[i], wcslen(wide[i])));
    }
    LocalFree(wide);
    return arguments;
}

}  // namespace coder
