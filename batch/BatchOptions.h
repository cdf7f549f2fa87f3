// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include "convert/ConversionSettings.h"

namespace vm {

struct BatchTexts;
struct MessageTable;

// What a run of the batch program is asked to do.
struct BatchOptions {
    // The window's initial choices unless the command line says otherwise. Its outputFolder
    // is set per source (see output).
    ConversionSettings settings;
    QString output;  // absolute; empty: each target beside its source
    bool recursive = false;
    int jobs = 1;
    bool json = false;
    QStringList paths;  // files and folders, absolute, in the order given
};

struct BatchCommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    BatchOptions options;
    QString error;  // Error: one line for the user
};

// The number of jobs when none is asked for: one per two cores, at least one.
int DefaultJobs(int cores);

// args: the arguments with the program first. Relative paths are taken from workingFolder.
// Options may be given as "--name value" or "--name=value"; "--" ends them. The values of the
// encoder's options (size, rate, bit rates, sample rate) are passed on as text, as the
// window's boxes pass theirs; the encoder judges them.
BatchCommandLine ParseBatchCommandLine(const QStringList& args, const QString& workingFolder,
                                       int defaultJobs, const BatchTexts& texts,
                                       const MessageTable& messages);

QString BatchHelpText();
QString BatchVersionText();

}  // namespace vm
