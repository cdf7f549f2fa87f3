// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include "platform/Notifications.h"

namespace vm {

// Records every notification; `reachable` false plays a desktop without a service, `invoke`
// a user who picks an action of the latest notification.
class FakeNotifications : public Notifications {
  public:
    struct Shown {
        QString title;
        QString body;
        QList<NotificationAction> actions;
    };
    QList<Shown> shown;
    int attentionRequests = 0;
    bool reachable = true;

    bool notify(const QString& title, const QString& body,
                const QList<NotificationAction>& actions = {}) override {
        if (!reachable) {
            return false;
        }
        shown.append({title, body, actions});
        return true;
    }
    void setActionHandler(ActionHandler handler) override { handler_ = std::move(handler); }
    void requestAttention() override { ++attentionRequests; }

    // The keys of the latest notification's actions.
    QStringList actionKeys() const {
        QStringList keys;
        for (const NotificationAction& action :
             shown.isEmpty() ? QList<NotificationAction>() : shown.last().actions) {
            keys.append(action.key);
        }
        return keys;
    }
    void invoke(const QString& key) {
        if (handler_) {
            handler_(key);
        }
    }

  private:
    ActionHandler handler_;
};

}  // namespace vm
