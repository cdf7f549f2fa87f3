// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

// Where one file of a run stands, from the list to its outcome. Each step of the run says
// which of these it leaves the file in.
enum class FileState {
    Waiting,     // not reached yet
    Named,       // its target is settled
    Converting,  // its encoder runs
    Stopping,    // its encoder was asked to end, or killed, by a stop
    Done,        // the encoder's closing line says it finished
    Skipped,     // its target exists and the policy keeps it
    Failed,
};

// A source of a run and the folder its target goes into; empty: the folder of the settings.
struct RunEntry {
    QString source;
    QString outputFolder;
};

}  // namespace vm
