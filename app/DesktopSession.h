// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

#include "RunOnDesktop.h"

namespace vm {

class Form1;
class InstanceChannel;

// Claims the one window of this user and program folder. False when a window already runs and
// has taken the files (this start should end); true when this start is to show the window
// (a channel that cannot be set up only costs the handing over, with a warning).
bool ClaimOneWindow(InstanceChannel& channel, const QString& programFolder,
                    const QStringList& files);

// The window among the user's other windows: files that later starts hand over join its list
// and bring it to the front, and its runs are seen on the desktop (RunOnDesktop).
class DesktopSession : public QObject {
    Q_OBJECT
  public:
    DesktopSession(Form1& window, const DesktopServices& desktop, InstanceChannel& channel,
                   QObject* parent = nullptr);
    ~DesktopSession() override;

    // Files handed to the program: they join the list as a drop would (also during a run,
    // which converts only the files it started with); the window comes to the front.
    void filesArrived(const QStringList& paths);

  private:
    void bringToFront();

    Form1& window_;
    std::unique_ptr<RunOnDesktop> run_;
};

}  // namespace vm
