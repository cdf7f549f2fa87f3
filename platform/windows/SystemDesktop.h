// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/windows/ExecutionStateInhibitor.h"
#include "platform/windows/ShellTaskbarEntry.h"
#include "platform/windows/TrayNotifications.h"

namespace vm {

// The desktop's services for the program's window, through the Windows shell: a notification
// from the notification area, the machine kept awake, progress on the taskbar button.
class SystemDesktop {
  public:
    // appName: how the notification names the program; desktopName is not used on Windows.
    SystemDesktop(const QString& appName, const QString& desktopName) : notifications_(appName) {
        Q_UNUSED(desktopName);
    }

    // The window whose taskbar button shows the progress and asks for attention.
    void setOwner(QWidget* window) {
        notifications_.setOwner(window);
        taskbar_.setOwner(window);
    }

    Notifications& notifications() { return notifications_; }
    SleepInhibitor& sleep() { return sleep_; }
    TaskbarEntry& taskbar() { return taskbar_; }

  private:
    TrayNotifications notifications_;
    ExecutionStateInhibitor sleep_;
    ShellTaskbarEntry taskbar_;
};

}  // namespace vm
