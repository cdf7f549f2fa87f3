// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QString>

#include "platform/TaskbarEntry.h"

namespace vm {

// The entry through the signal that GNOME's and KDE's docks read for a program's launcher
// (com.canonical.Unity.LauncherEntry.Update, keyed by the desktop entry's id). A signal goes
// out only when what the dock shows changes: the progress in whole percent, the count, or
// whether either is shown.
class DBusTaskbarEntry : public TaskbarEntry {
  public:
    // desktopId: the desktop entry's file name without ".desktop".
    DBusTaskbarEntry(const QString& desktopId, QDBusConnection bus);
    ~DBusTaskbarEntry() override;

    void showProgress(double progress, int count) override;
    void clear() override;

  private:
    struct Shown {
        int percent = 0;
        int count = 0;
        bool visible = false;
        bool operator==(const Shown&) const = default;
    };
    void send(const Shown& shown);

    QString appUri_;
    QString path_;
    QDBusConnection bus_;
    Shown shown_;
};

}  // namespace vm
