// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

// Keeps the machine from suspending and the session from going idle while long work runs.
// Held until released, or until the program ends however it ends. Where the desktop offers no
// such service, nothing happens and nothing fails.
class SleepInhibitor {
  public:
    virtual ~SleepInhibitor() = default;

    // Holds the inhibitor, or keeps holding it with a new reason (what the desktop shows the
    // user, for instance when they try to suspend).
    virtual void hold(const QString& reason) = 0;
    // Lets the machine sleep again; nothing when nothing is held.
    virtual void release() = 0;
};

}  // namespace vm
