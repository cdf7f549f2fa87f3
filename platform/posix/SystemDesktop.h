// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>

#include "platform/qt/DBusNotifications.h"
#include "platform/qt/DBusSleepInhibitor.h"
#include "platform/qt/DBusTaskbarEntry.h"

namespace vm {

// The desktop's services for the program's window, through the session's and the system's
// D-Bus: notifications, the machine kept awake, the dock entry's progress.
class SystemDesktop {
  public:
    // appName: how the services name the program; desktopName: its desktop file's name (and
    // icon).
    SystemDesktop(const QString& appName, const QString& desktopName)
        : notifications_(appName, desktopName),
          sleep_(appName, QDBusConnection::systemBus(), QDBusConnection::sessionBus()),
          taskbar_(desktopName, QDBusConnection::sessionBus()) {}

    // The window whose entry asks for attention.
    void setOwner(QWidget* window) { notifications_.setOwner(window); }

    Notifications& notifications() { return notifications_; }
    SleepInhibitor& sleep() { return sleep_; }
    TaskbarEntry& taskbar() { return taskbar_; }

  private:
    DBusNotifications notifications_;
    DBusSleepInhibitor sleep_;
    DBusTaskbarEntry taskbar_;
};

}  // namespace vm
