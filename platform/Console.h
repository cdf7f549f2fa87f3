// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The terminal (the console on Windows) that a program without a window writes to.
namespace vm {

// Makes standard output ready for the program's text, first thing in main(): UTF-8 text is
// shown as such, a terminal takes the escape sequences that redraw a line, and a reader of
// the output that went away (a closed pipe) does not end the program. What it changes in a
// console that the program shares is put back when the program ends.
void PrepareConsoleOutput();

// True when standard output is a terminal that can redraw a line in place.
bool OutputIsTerminal();

// The terminal's width in columns; 80 when it cannot be told.
int TerminalColumns();

}  // namespace vm
