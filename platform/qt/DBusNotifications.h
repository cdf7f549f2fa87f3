// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "platform/Notifications.h"

namespace vm {

// Notifications through the desktop's notification service (org.freedesktop.Notifications on
// the session bus); no call waits for the service. Actions go out only where the service says
// it shows them, and come back through its ActionInvoked signal. Attention through the window
// system's urgency hint.
class DBusNotifications : public QObject, public Notifications {
    Q_OBJECT
  public:
    // appName and icon: how the notification names the program (an icon theme name).
    DBusNotifications(QString appName, QString icon, QObject* parent = nullptr);

    // The window whose taskbar entry asks for attention.
    void setOwner(QWidget* owner) { owner_ = owner; }

    bool notify(const QString& title, const QString& body,
                const QList<NotificationAction>& actions = {}) override;
    void setActionHandler(ActionHandler handler) override { handler_ = std::move(handler); }
    void requestAttention() override;

  private slots:
    void actionInvoked(uint id, const QString& key);
    void notificationClosed(uint id, uint reason);

  private:
    void send(const QString& title, const QString& body, const QStringList& actions);

    QString appName_;
    QString icon_;
    QPointer<QWidget> owner_;
    ActionHandler handler_;
    bool listening_ = false;
    uint latest_ = 0;  // the service's id of our latest notification while it is on screen
};

}  // namespace vm
