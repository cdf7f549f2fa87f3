// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace vm {

// What the program's command line asks for.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QStringList files;  // local paths made absolute, in the order given
    QString error;      // Error: what was wrong, for the user
};

// args: the arguments with the program first (options that Qt takes already removed).
// Before "--": -h/--help and -v/--version answer, any other argument beginning with '-' (but
// "-" alone) is an error. file: URLs become local paths, other URLs are skipped, and relative
// paths are taken from workingFolder. Which files join the list is the list's own rule.
CommandLine ParseCommandLine(const QStringList& args, const QString& workingFolder);

QString HelpText();
QString VersionText();

// Help and version, before the application object exists (they need no display). Prints the
// answer and returns the exit status when the raw command line asks for one of them.
std::optional<int> AnswerInfoOptions(int argc, char** argv);

// The answer to a command line that does not run the window: help and version on the standard
// output (0), an error on the error output (1).
int Answer(const CommandLine& line);

// The name of the one running window per program folder (the user's own runtime folder
// makes it per user too).
QString InstanceName(const QString& programFolder);

// Paths as a later start hands them over, and back.
QByteArray EncodePaths(const QStringList& paths);
QStringList DecodePaths(const QByteArray& message);

}  // namespace vm
