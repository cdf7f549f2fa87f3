// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <optional>

#include "platform/SleepInhibitor.h"

namespace vm {

// The inhibitor of systemd-logind (org.freedesktop.login1.Manager.Inhibit, "sleep:idle", on the
// system bus): a file descriptor that holds it while it is open, so it goes with the program
// however the program ends. Where there is no logind, or it refuses, the screen saver's
// (org.freedesktop.ScreenSaver.Inhibit on the session bus): a cookie, which the service drops
// when we leave the bus. No call waits for a service.
//
// logind's reason is fixed per inhibitor, so a new reason means a new inhibitor, taken before
// the old one is let go. A new one is taken at most every few seconds: a list of files that are
// all skipped would otherwise ask logind (and its policy check) once per file.
class DBusSleepInhibitor : public QObject, public SleepInhibitor {
    Q_OBJECT
  public:
    // who: the program's name as the desktop lists it beside the reason.
    DBusSleepInhibitor(QString who, QDBusConnection system, QDBusConnection session,
                       QObject* parent = nullptr);
    ~DBusSleepInhibitor() override;

    void hold(const QString& reason) override;
    void release() override;

    // At most one new inhibitor in this many milliseconds (tests shorten it).
    void setRenewInterval(int ms) { renewInterval_ = ms; }

  private:
    enum class Service { Unknown, Logind, ScreenSaver, None };

    bool holding() const;
    void take();
    void takeFromLogind();
    void takeFromScreenSaver();
    // A request has come back; the latest reason may still be waiting.
    void settled();
    void dropCookie(uint cookie);

    QString who_;
    QDBusConnection system_;
    QDBusConnection session_;
    Service service_ = Service::Unknown;
    bool wanted_ = false;
    bool pending_ = false;
    QString reason_;      // the reason asked for last
    QString heldReason_;  // the reason of the inhibitor held now
    QDBusUnixFileDescriptor lock_;
    std::optional<uint> cookie_;
    QElapsedTimer sinceTaken_;
    QTimer renew_;
    int renewInterval_ = 5000;
};

}  // namespace vm
