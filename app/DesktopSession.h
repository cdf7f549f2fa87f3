// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

namespace vm {

class Form1;
class InstanceChannel;
class Notifications;

// Claims the one window of this user and program folder. False when a window already runs and
// has taken the files (this start should end); true when this start is to show the window
// (a channel that cannot be set up only costs the handing over, with a warning).
bool ClaimOneWindow(InstanceChannel& channel, const QString& programFolder,
                    const QStringList& files);

// The window among the user's other windows: files that later starts hand over join its list
// and bring it to the front, and a run that ends while the user looks elsewhere is announced
// by a notification and the taskbar entry.
class DesktopSession : public QObject {
    Q_OBJECT
  public:
    DesktopSession(Form1& window, Notifications& notifications, InstanceChannel& channel,
                   QObject* parent = nullptr);

    // Files handed to the program: they join the list as a drop would (also during a run,
    // which converts only the files it started with); the window comes to the front.
    void filesArrived(const QStringList& paths);

  private:
    void runEnding(int done, int skipped, int failed);
    void bringToFront();

    Form1& window_;
    Notifications& notifications_;
};

}  // namespace vm
