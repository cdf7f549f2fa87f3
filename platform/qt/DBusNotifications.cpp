// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusNotifications.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace vm {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage ServiceCall(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}
}  // namespace

DBusNotifications::DBusNotifications(QString appName, QString icon, QObject* parent)
    : QObject(parent), appName_(std::move(appName)), icon_(std::move(icon)) {}

bool DBusNotifications::notify(const QString& title, const QString& body,
                               const QList<NotificationAction>& actions) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    if (actions.isEmpty()) {
        send(title, body, {});
        return true;
    }
    if (!listening_) {
        bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                    SLOT(actionInvoked(uint, QString)));
        bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                    SLOT(notificationClosed(uint, uint)));
        listening_ = true;
    }
    QStringList flat;  // key, label, key, label, ...
    for (const NotificationAction& action : actions) {
        flat << action.key << action.label;
    }
    // A service without actions would drop them, or worse, turn the notice into a dialog that
    // waits for an answer: it gets the plain notification.
    auto* watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(ServiceCall("GetCapabilities")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, title, body, flat] {
        const QDBusPendingReply<QStringList> capabilities = *watcher;
        const bool showsActions =
            capabilities.isValid() && capabilities.value().contains(QStringLiteral("actions"));
        send(title, body, showsActions ? flat : QStringList());
        watcher->deleteLater();
    });
    return true;
}

void DBusNotifications::send(const QString& title, const QString& body,
                             const QStringList& actions) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call = ServiceCall(QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("vidmorf"));
    // A newer notice replaces ours still on screen, so no action of an older run stays offered.
    call << appName_ << latest_ << icon_ << title << body << actions << hints << qint32(-1);
    if (actions.isEmpty()) {
        bus.send(call);  // nothing comes back that we would use
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        const QDBusPendingReply<uint> id = *watcher;
        if (id.isValid()) {
            latest_ = id.value();
        }
        watcher->deleteLater();
    });
}

void DBusNotifications::actionInvoked(uint id, const QString& key) {
    // The signal reaches every client of the service: only our latest notice counts.
    if (id != 0 && id == latest_ && handler_) {
        handler_(key);
    }
}

void DBusNotifications::notificationClosed(uint id, uint) {
    if (id == latest_) {
        latest_ = 0;
    }
}

void DBusNotifications::requestAttention() {
    if (owner_) {
        QApplication::alert(owner_->window());
    }
}

}  // namespace vm
