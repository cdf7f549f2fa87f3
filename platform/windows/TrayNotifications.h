// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "platform/Notifications.h"

namespace vm {

// Notifications as a message from the program's icon in the notification area, shown only
// while a message is up. A message carries no buttons: a click on it picks the first action.
// Attention through the taskbar button's flashing.
class TrayNotifications : public QObject, public Notifications {
    Q_OBJECT
  public:
    explicit TrayNotifications(QString appName, QObject* parent = nullptr);

    void setOwner(QWidget* owner) { owner_ = owner; }
    bool notify(const QString& title, const QString& body,
                const QList<NotificationAction>& actions = {}) override;
    void setActionHandler(ActionHandler handler) override { handler_ = std::move(handler); }
    void requestAttention() override;

    // How long a message stays up before its icon goes.
    static constexpr int kShownMs = 15000;

  private:
    void clicked();

    QString appName_;
    QPointer<QWidget> owner_;
    QSystemTrayIcon icon_;
    QTimer hide_;
    QList<NotificationAction> actions_;
    ActionHandler handler_;
};

}  // namespace vm
