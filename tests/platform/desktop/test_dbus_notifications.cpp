// SPDX-License-Identifier: GPL-3.0-or-later
// Notifications through the session bus, against a notification service of our own on a
// private bus (run under dbus-run-session); and, without any bus, nothing fails.
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>
#include <QVariantMap>
#include <QWidget>

#include "platform/qt/DBusNotifications.h"

using namespace vm;

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

// Answers Notify as a desktop's service would, and keeps each call.
class FakeService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    struct Call {
        QString app;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
    };
    QList<Call> calls;

  public slots:
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        calls.append({app, icon, summary, body, actions, hints, timeout});
        return uint(calls.size());
    }
};

}  // namespace

class TestDBusNotifications : public QObject {
    Q_OBJECT

  private slots:
    void serviceShowsTheNotification() {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("no session bus (run under dbus-run-session)");
        }
        FakeService service;
        QDBusConnection own = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "svc");
        QVERIFY(own.registerService(kService));
        QVERIFY(own.registerObject(kPath, &service, QDBusConnection::ExportAllSlots));

        DBusNotifications notifications("Vidmorf", "vidmorf");
        QVERIFY(notifications.notify("转换已完成", "完成 2 个，跳过 0 个，错误 1 个 <b>&"));
        QTRY_COMPARE(service.calls.size(), 1);
        const FakeService::Call& call = service.calls[0];
        QCOMPARE(call.app, QStringLiteral("Vidmorf"));
        QCOMPARE(call.icon, QStringLiteral("vidmorf"));
        QCOMPARE(call.summary, QStringLiteral("转换已完成"));
        QCOMPARE(call.body, QStringLiteral("完成 2 个，跳过 0 个，错误 1 个 <b>&"));
        QVERIFY(call.actions.isEmpty());
        QCOMPARE(call.hints.value("desktop-entry").toString(), QStringLiteral("vidmorf"));
        QCOMPARE(call.timeout, -1);

        own.unregisterObject(kPath);
        own.unregisterService(kService);
        QDBusConnection::disconnectFromBus("svc");
    }

    // A bus without a notification service: the call goes out, its error comes back unread.
    void busWithoutService() {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("no session bus (run under dbus-run-session)");
        }
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(kService));
        DBusNotifications notifications("Vidmorf", "vidmorf");
        QVERIFY(notifications.notify("t", "b"));
        QTest::qWait(200);
    }

    // No bus at all: nothing is sent, nothing fails; attention works all the same.
    void noBus() {
        if (QDBusConnection::sessionBus().isConnected()) {
            QSKIP("a session bus is there");
        }
        DBusNotifications notifications("Vidmorf", "vidmorf");
        QVERIFY(!notifications.notify("t", "b"));
        notifications.requestAttention();  // no window yet
        QWidget window;
        window.show();
        notifications.setOwner(&window);
        notifications.requestAttention();
    }
};

QTEST_MAIN(TestDBusNotifications)
#include "test_dbus_notifications.moc"
