// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <functional>

#include "convert/BatchRun.h"

namespace vm {

class Form1;
class Notifications;
class SleepInhibitor;
class TaskbarEntry;

// The desktop's services around a run, besides those of the window's platform.
struct DesktopServices {
    Notifications& notifications;
    SleepInhibitor& sleep;
    TaskbarEntry& taskbar;
};

// A run as the rest of the desktop sees it: the machine stays awake while it goes, the dock
// shows how far the list has come and how many files are left, and a run that ends while the
// user looks elsewhere is announced by a notification that opens the output folder or shows
// what failed.
class RunOnDesktop : public QObject {
    Q_OBJECT
  public:
    // bringToFront: raises the window (and a box it waits on) before the details are shown.
    RunOnDesktop(Form1& window, const DesktopServices& desktop, std::function<void()> bringToFront,
                 QObject* parent = nullptr);
    ~RunOnDesktop() override;

    // Keys of the notification's actions.
    static const QString kOpenFolder;
    static const QString kShowDetails;

  private:
    void fileStarted(int number, int count);
    void listProgress(double share);
    void runEnding(int done, int skipped, int failed);
    void actionPicked(const QString& key);
    void showDetails();

    Form1& window_;
    DesktopServices desktop_;
    std::function<void()> bringToFront_;
    int filesLeft_ = 0;   // the current file and those after it
    RunReport notified_;  // the run that the notification on screen tells of
};

}  // namespace vm
