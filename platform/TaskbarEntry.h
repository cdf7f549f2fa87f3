// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vm {

// The program's entry in the dock or task bar: a progress bar and a count on it, visible while
// the window is hidden or minimised. Where the desktop does not read them, nothing happens.
class TaskbarEntry {
  public:
    virtual ~TaskbarEntry() = default;

    // progress from 0 to 1 (values outside are held to it); count: a number on the entry.
    virtual void showProgress(double progress, int count) = 0;
    // The entry as it is without a run: no progress, no count.
    virtual void clear() = 0;
};

}  // namespace vm
