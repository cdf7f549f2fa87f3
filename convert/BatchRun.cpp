// SPDX-License-Identifier: GPL-3.0-or-later
#include "BatchRun.h"

namespace vm {

// Placeholder until the run lands.
struct BatchRun::Impl {};

BatchRun::BatchRun(FileSystem&, Processes&, Dialogs&, RunView&, const MessageTable&, QString,
                   QObject* parent)
    : QObject(parent), d(new Impl) {}
BatchRun::~BatchRun() { delete d; }
void BatchRun::start() {}
void BatchRun::requestStop() {}
void BatchRun::forceStop() {}
bool BatchRun::isRunning() const { return false; }
bool BatchRun::encoderIdle() const { return true; }

}  // namespace vm
