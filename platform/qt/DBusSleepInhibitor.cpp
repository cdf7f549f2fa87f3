// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusSleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace vm {

namespace {
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
}  // namespace

DBusSleepInhibitor::DBusSleepInhibitor(QString who, QDBusConnection system, QDBusConnection session,
                                       QObject* parent)
    : QObject(parent),
      who_(std::move(who)),
      system_(std::move(system)),
      session_(std::move(session)) {
    renew_.setSingleShot(true);
    connect(&renew_, &QTimer::timeout, this, [this] {
        if (wanted_ && !pending_ && reason_ != heldReason_) {
            take();
        }
    });
}

DBusSleepInhibitor::~DBusSleepInhibitor() {
    release();
}

void DBusSleepInhibitor::hold(const QString& reason) {
    reason_ = reason;
    wanted_ = true;
    if (pending_ || service_ == Service::None) {
        return;  // the answer on its way brings the latest reason on
    }
    if (!holding()) {
        take();
    } else if (reason_ != heldReason_ && !renew_.isActive()) {
        renew_.start(std::max<qint64>(0, renewInterval_ - sinceTaken_.elapsed()));
    }
}

void DBusSleepInhibitor::release() {
    wanted_ = false;
    renew_.stop();
    lock_ = QDBusUnixFileDescriptor();  // closing the descriptor ends logind's inhibitor
    if (cookie_) {
        dropCookie(*cookie_);
        cookie_.reset();
    }
    heldReason_.clear();
    if (service_ == Service::None) {
        service_ = Service::Unknown;  // a later run asks again: a service may have come
    }
}

bool DBusSleepInhibitor::holding() const {
    return lock_.isValid() || cookie_.has_value();
}

void DBusSleepInhibitor::take() {
    pending_ = true;
    sinceTaken_.start();
    if (service_ == Service::ScreenSaver) {
        takeFromScreenSaver();
    } else {
        takeFromLogind();
    }
}

void DBusSleepInhibitor::takeFromLogind() {
    if (!system_.isConnected()) {
        takeFromScreenSaver();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kLogind, kLogindPath, kLogindManager,
                                                       QStringLiteral("Inhibit"));
    const QString reason = reason_;
    call << QStringLiteral("sleep:idle") << who_ << reason << QStringLiteral("block");
    auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, reason] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        if (!reply.isValid() || !reply.value().isValid()) {
            if (!holding()) {
                takeFromScreenSaver();  // no logind here, or it refuses us
                return;
            }
            heldReason_ = reason;  // keep the inhibitor we have, under its old reason
            settled();
            return;
        }
        service_ = Service::Logind;
        if (wanted_) {
            lock_ = reply.value();  // the old descriptor closes only now: no gap
            heldReason_ = reason;
        }
        settled();  // unwanted by now: the new descriptor closes with the reply
    });
}

void DBusSleepInhibitor::takeFromScreenSaver() {
    if (!session_.isConnected()) {
        if (holding()) {
            heldReason_ = reason_;
        } else {
            service_ = Service::None;
        }
        settled();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaver, kScreenSaverPath, kScreenSaver,
                                                       QStringLiteral("Inhibit"));
    const QString reason = reason_;
    call << who_ << reason;
    auto* watcher = new QDBusPendingCallWatcher(session_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, reason] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (!reply.isValid()) {
            if (!holding()) {
                service_ = Service::None;  // neither service: nothing to hold
            } else {
                heldReason_ = reason;  // keep the inhibitor we have, under its old reason
            }
            settled();
            return;
        }
        service_ = Service::ScreenSaver;
        if (!wanted_) {
            dropCookie(reply.value());
        } else {
            if (cookie_) {
                dropCookie(*cookie_);
            }
            cookie_ = reply.value();
            heldReason_ = reason;
        }
        settled();
    });
}

void DBusSleepInhibitor::settled() {
    pending_ = false;
    if (wanted_ && service_ != Service::None && reason_ != heldReason_) {
        hold(reason_);
    }
}

void DBusSleepInhibitor::dropCookie(uint cookie) {
    QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaver, kScreenSaverPath, kScreenSaver,
                                                       QStringLiteral("UnInhibit"));
    call << cookie;
    session_.send(call);
}

}  // namespace vm
