// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// The words of the encoder script's one line, written by the rules of the interpreter that
// runs the script (/bin/sh, or cmd.exe on Windows), so that it takes every path and value
// literally, whatever they hold: a file name never runs a command.
namespace vm {

// A path as one word, inside double quotes, in the system's own notation.
QString ScriptPath(const QString& path);

// A typed value as one word: unchanged when it is made only of letters, digits and a few
// harmless signs (every value the boxes offer), else quoted. An empty value becomes "" so
// that the switch still gets its own argument.
QString ScriptWord(const QString& value);

// The end of the line that sends the encoder's standard error to the file at path.
QString ScriptErrorTo(const QString& path);

// The script file's bytes, for the one line.
QByteArray ScriptFileText(const QString& line);

// The interpreter, as a person is told of it when it cannot be started.
QString ScriptInterpreter();

}  // namespace vm
