// SPDX-License-Identifier: GPL-3.0-or-later
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/Console.h"

namespace vm {

void PrepareConsoleOutput() {
    ::signal(SIGPIPE, SIG_IGN);  // a write to a closed pipe fails instead
}

bool OutputIsTerminal() {
    return ::isatty(STDOUT_FILENO) == 1;
}

int TerminalColumns() {
    winsize size{};
    return ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

}  // namespace vm
