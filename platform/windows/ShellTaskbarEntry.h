// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/TaskbarEntry.h"

struct ITaskbarList3;

namespace vm {

// Progress on the window's taskbar button (the shell's ITaskbarList3). The taskbar shows no
// number on a button, so the count is not shown. Where the shell has no such service (an old
// or a minimal shell), nothing happens.
class ShellTaskbarEntry final : public TaskbarEntry {
  public:
    ShellTaskbarEntry() = default;
    ShellTaskbarEntry(const ShellTaskbarEntry&) = delete;
    ShellTaskbarEntry& operator=(const ShellTaskbarEntry&) = delete;
    ~ShellTaskbarEntry() override;

    void setOwner(QWidget* window) { owner_ = window; }
    void showProgress(double progress, int count) override;
    void clear() override;

  private:
    ITaskbarList3* list();  // made on first use, on the window's thread

    QPointer<QWidget> owner_;
    ITaskbarList3* list_ = nullptr;
    bool tried_ = false;
    bool comStarted_ = false;
};

}  // namespace vm
