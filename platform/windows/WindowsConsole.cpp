// SPDX-License-Identifier: GPL-3.0-or-later
// The console: text is written as UTF-8 bytes, so the console's output code page is set to
// UTF-8 while the program runs, and virtual terminal processing is turned on for the escape
// sequence that clears a redrawn line. Both are put back at exit, as the console is usually
// the user's own command prompt. Windows has no SIGPIPE: a write to a closed pipe just fails.
#include <windows.h>

#include <cstdlib>

#include "platform/Console.h"

namespace vm {

namespace {

UINT g_codePage = 0;
DWORD g_mode = 0;
bool g_modeSet = false;

HANDLE output() {
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

void restore() {
    if (g_codePage != 0) {
        SetConsoleOutputCP(g_codePage);
    }
    if (g_modeSet) {
        SetConsoleMode(output(), g_mode);
    }
}

}  // namespace

void PrepareConsoleOutput() {
    DWORD mode = 0;
    if (GetFileType(output()) != FILE_TYPE_CHAR || !GetConsoleMode(output(), &mode)) {
        return;  // a file, a pipe or the null device
    }
    g_codePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    if (!(mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) &&
        SetConsoleMode(output(), mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
        g_mode = mode;
        g_modeSet = true;
    }
    std::atexit(restore);
}

bool OutputIsTerminal() {
    DWORD mode = 0;
    // The null device is a character device too, but no console.
    return GetFileType(output()) == FILE_TYPE_CHAR && GetConsoleMode(output(), &mode) &&
           (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(output(), &info)) {
        return 80;
    }
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    return columns > 0 ? columns : 80;
}

}  // namespace vm
