// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrayNotifications.h"

#include <QApplication>

#include <utility>

namespace vm {

TrayNotifications::TrayNotifications(QString appName, QObject* parent)
    : QObject(parent), appName_(std::move(appName)) {
    hide_.setSingleShot(true);
    hide_.setInterval(kShownMs);
    connect(&hide_, &QTimer::timeout, &icon_, &QSystemTrayIcon::hide);
    connect(&icon_, &QSystemTrayIcon::messageClicked, this, &TrayNotifications::clicked);
    connect(&icon_, &QSystemTrayIcon::activated, this, &TrayNotifications::clicked);
}

bool TrayNotifications::notify(const QString& title, const QString& body,
                               const QList<NotificationAction>& actions) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;
    }
    icon_.setIcon(QApplication::windowIcon());
    icon_.setToolTip(appName_);
    icon_.show();
    actions_ = actions;
    icon_.showMessage(title, body, QSystemTrayIcon::Information, kShownMs);
    hide_.start();
    return true;
}

void TrayNotifications::requestAttention() {
    if (owner_) {
        QApplication::alert(owner_->window());
    }
}

void TrayNotifications::clicked() {
    icon_.hide();
    hide_.stop();
    const QList<NotificationAction> actions = std::exchange(actions_, {});
    if (handler_ && !actions.isEmpty()) {
        handler_(actions.first().key);
    }
}

}  // namespace vm
