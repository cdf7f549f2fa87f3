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

// Answers Notify and GetCapabilities as a desktop's service would, and keeps each call.
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
        uint replaces = 0;
    };
    QList<Call> calls;
    QStringList capabilities{"body"};

  public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        calls.append({app, icon, summary, body, actions, hints, timeout, replaces});
        return uint(calls.size()) + 100;
    }
    QStringList GetCapabilities() { return capabilities; }
};

// The service's own connection, on which it answers and sends its signals.
struct OwnService {
    FakeService service;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "svc");

    bool start() {
        return bus.registerService(kService) &&
               bus.registerObject(kPath, &service, QDBusConnection::ExportAllSlots);
    }
    ~OwnService() {
        bus.unregisterObject(kPath);
        bus.unregisterService(kService);
        QDBusConnection::disconnectFromBus("svc");
    }
    void signal(const char* name, uint id, const QVariant& second) {
        QDBusMessage message = QDBusMessage::createSignal(kPath, kService, name);
        message << id << second;
        bus.send(message);
    }
};

}  // namespace

class TestDBusNotifications : public QObject {
    Q_OBJECT
    int closed_ = 0;

  public slots:
    void closed() { ++closed_; }

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

    // Actions go out where the service shows them; the user's pick of one comes back, for our
    // latest notification only.
    void actionsAndTheirAnswer() {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("no session bus (run under dbus-run-session)");
        }
        OwnService own;
        QVERIFY(own.start());
        DBusNotifications notifications("Vidmorf", "vidmorf");
        QStringList picked;
        notifications.setActionHandler([&](const QString& key) { picked.append(key); });
        const QList<NotificationAction> actions{{"open-folder", "打开输出文件夹"},
                                                {"show-details", "查看详情"}};

        // A service without actions gets the plain notification.
        QVERIFY(notifications.notify("t", "b", actions));
        QTRY_COMPARE(own.service.calls.size(), 1);
        QVERIFY(own.service.calls[0].actions.isEmpty());

        own.service.capabilities = QStringList{"actions", "body"};
        QVERIFY(notifications.notify("转换已完成", "完成 1 个", actions));
        QTRY_COMPARE(own.service.calls.size(), 2);
        QCOMPARE(own.service.calls[1].actions,
                 (QStringList{"open-folder", "打开输出文件夹", "show-details", "查看详情"}));
        QCOMPARE(own.service.calls[1].summary, QStringLiteral("转换已完成"));
        const uint id = 102;

        own.signal("ActionInvoked", id - 1, QString("open-folder"));  // someone else's
        own.signal("ActionInvoked", id, QString("show-details"));
        QTRY_COMPARE(picked, QStringList{"show-details"});

        // The next notification takes the place of the one on screen.
        QVERIFY(notifications.notify("t", "b", actions));
        QTRY_COMPARE(own.service.calls.size(), 3);
        QCOMPARE(own.service.calls[2].replaces, id);
        QDBusConnection::sessionBus().connect(kService, kPath, kService, "NotificationClosed", this,
                                              SLOT(closed()));
        own.signal("NotificationClosed", id + 1, 2u);
        own.signal("ActionInvoked", id + 1, QString("open-folder"));  // closed: nothing
        own.signal("ActionInvoked", id, QString("open-folder"));      // replaced: nothing
        QTRY_COMPARE(closed_, 1);  // and so has the program's own connection
        QVERIFY(notifications.notify("t", "b"));
        QTRY_COMPARE(own.service.calls.size(), 4);
        QCOMPARE(own.service.calls[3].replaces, 0u);
        QCOMPARE(picked, QStringList{"show-details"});
    }

    // A bus without a notification service: the call goes out, its error comes back unread.
    void busWithoutService() {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("no session bus (run under dbus-run-session)");
        }
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(kService));
        DBusNotifications notifications("Vidmorf", "vidmorf");
        QVERIFY(notifications.notify("t", "b"));
        QVERIFY(notifications.notify("t", "b", {{"open-folder", "Open"}}));
        QTest::qWait(200);
    }

    // No bus at all: nothing is sent, nothing fails; attention works all the same.
    void noBus() {
        if (QDBusConnection::sessionBus().isConnected()) {
            QSKIP("a session bus is there");
        }
        DBusNotifications notifications("Vidmorf", "vidmorf");
        QVERIFY(!notifications.notify("t", "b"));
        QVERIFY(!notifications.notify("t", "b", {{"open-folder", "Open"}}));
        notifications.requestAttention();  // no window yet
        QWidget window;
        window.show();
        notifications.setOwner(&window);
        notifications.requestAttention();
    }
};

QTEST_MAIN(TestDBusNotifications)
#include "test_dbus_notifications.moc"
