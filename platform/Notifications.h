// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace vm {

// Something the user can do from a notification: key names it to the program, label to the user.
struct NotificationAction {
    QString key;
    QString label;
};

// Telling the user about something while the window is out of sight.
class Notifications {
  public:
    using ActionHandler = std::function<void(const QString& key)>;

    virtual ~Notifications() = default;

    // A desktop notification with a title and a body of plain text, and the actions it offers
    // where the notification service shows actions (elsewhere it comes without them). Returns
    // false when no notification service could be reached; nothing else happens then.
    virtual bool notify(const QString& title, const QString& body,
                        const QList<NotificationAction>& actions = {}) = 0;
    // Called with an action's key when the user picks it on the latest notification.
    virtual void setActionHandler(ActionHandler handler) = 0;
    // The window's taskbar entry asks for attention until the user turns to it.
    virtual void requestAttention() = 0;
};

}  // namespace vm
