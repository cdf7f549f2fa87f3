// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's Windows back ends: the machine kept awake for a run and let go after it, and
// the taskbar's progress and the notification doing nothing, and failing nothing, where the
// shell offers no such service (as under Wine without a desktop).
#include <windows.h>

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

#include "platform/windows/ExecutionStateInhibitor.h"
#include "platform/windows/ShellTaskbarEntry.h"
#include "platform/windows/TrayNotifications.h"

using namespace vm;

namespace {

// The thread's execution state, read by setting it (Windows tells the one before) and back.
EXECUTION_STATE CurrentState() {
    const EXECUTION_STATE now = SetThreadExecutionState(ES_CONTINUOUS);
    SetThreadExecutionState(now);
    return now;
}

// Held until let go: required, and continuously (not just the state a thread starts in).
bool AwakeHeld() {
    const EXECUTION_STATE held = ES_CONTINUOUS | ES_SYSTEM_REQUIRED;
    return (CurrentState() & held) == held;
}

}  // namespace

class TestWindowsDesktop : public QObject {
    Q_OBJECT

  private slots:
    void machineKeptAwakeForARunOnly() {
        QVERIFY(!AwakeHeld());
        {
            ExecutionStateInhibitor awake;
            awake.hold("Converting 1 of 2 files");
            QVERIFY(awake.held() && AwakeHeld());
            awake.hold("Converting 2 of 2 files");  // a new reason holds on
            QVERIFY(AwakeHeld());
            awake.release();
            QVERIFY(!awake.held() && !AwakeHeld());
            awake.release();  // nothing held: nothing happens
            awake.hold("again");
        }
        QVERIFY(!AwakeHeld());  // let go with the inhibitor
    }

    void noShellServiceFailsNothing() {
        QWidget window;
        window.show();
        ShellTaskbarEntry taskbar;
        taskbar.setOwner(&window);
        taskbar.showProgress(0.5, 3);
        taskbar.clear();
        ShellTaskbarEntry ownerless;
        ownerless.showProgress(0.25, 1);
        ownerless.clear();

        TrayNotifications notifications(QStringLiteral("Vidmorf"));
        notifications.setOwner(&window);
        QCOMPARE(notifications.notify(QStringLiteral("Done"), QStringLiteral("2 files")),
                 QSystemTrayIcon::isSystemTrayAvailable());
        notifications.requestAttention();
    }
};

QTEST_MAIN(TestWindowsDesktop)
#include "test_windows_desktop.moc"
