// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusTaskbarEntry.h"

#include <QDBusMessage>
#include <QRegularExpression>
#include <QVariantMap>
#include <algorithm>
#include <cmath>

namespace vm {

namespace {
const QString kInterface = QStringLiteral("com.canonical.Unity.LauncherEntry");
}

DBusTaskbarEntry::DBusTaskbarEntry(const QString& desktopId, QDBusConnection bus)
    : appUri_(QStringLiteral("application://") + desktopId + QStringLiteral(".desktop")),
      bus_(std::move(bus)) {
    // Any path of ours will do; the docks go by the entry's id in the signal.
    QString name = desktopId;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]")), QStringLiteral("_"));
    path_ = QStringLiteral("/com/canonical/unity/launcherentry/") + name;
}

DBusTaskbarEntry::~DBusTaskbarEntry() {
    clear();
}

void DBusTaskbarEntry::showProgress(double progress, int count) {
    const double held = std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0;
    send({int(std::lround(held * 100)), std::max(count, 0), true});
}

void DBusTaskbarEntry::clear() {
    send({});
}

void DBusTaskbarEntry::send(const Shown& shown) {
    if (shown == shown_ || !bus_.isConnected()) {
        return;
    }
    shown_ = shown;
    QVariantMap properties;
    properties.insert(QStringLiteral("progress"), shown.percent / 100.0);
    properties.insert(QStringLiteral("progress-visible"), shown.visible);
    properties.insert(QStringLiteral("count"), qint64(shown.count));
    properties.insert(QStringLiteral("count-visible"), shown.visible && shown.count > 0);
    QDBusMessage update = QDBusMessage::createSignal(path_, kInterface, QStringLiteral("Update"));
    update << appUri_ << properties;
    bus_.send(update);
}

}  // namespace vm
