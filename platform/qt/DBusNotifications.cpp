// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusNotifications.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace vm {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
}  // namespace

DBusNotifications::DBusNotifications(QString appName, QString icon)
    : appName_(std::move(appName)), icon_(std::move(icon)) {}

bool DBusNotifications::notify(const QString& title, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("vidmorf"));
    call << appName_ << quint32(0) << icon_ << title << body << QStringList() << hints
         << qint32(-1);
    // Sent without waiting: a service that is missing or slow must not hold the window.
    return bus.send(call);
}

void DBusNotifications::requestAttention() {
    if (owner_) {
        QApplication::alert(owner_->window());
    }
}

}  // namespace vm
