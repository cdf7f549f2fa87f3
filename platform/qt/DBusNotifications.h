// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/Notifications.h"

namespace vm {

// Notifications through the desktop's notification service (org.freedesktop.Notifications on
// the session bus); the call does not wait for the service. Attention through the window
// system's urgency hint.
class DBusNotifications : public Notifications {
  public:
    // appName and icon: how the notification names the program (an icon theme name).
    DBusNotifications(QString appName, QString icon);

    // The window whose taskbar entry asks for attention.
    void setOwner(QWidget* owner) { owner_ = owner; }

    bool notify(const QString& title, const QString& body) override;
    void requestAttention() override;

  private:
    QString appName_;
    QString icon_;
    QPointer<QWidget> owner_;
};

}  // namespace vm
