// SPDX-License-Identifier: GPL-3.0-or-later
// The machine kept awake and the dock's progress, against services of our own on a private bus
// (run under dbus-run-session; the same bus stands in for the system bus); and, without any
// bus, nothing fails.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QVariantMap>
#include <cstring>

#include "platform/qt/DBusSleepInhibitor.h"
#include "platform/qt/DBusTaskbarEntry.h"

using namespace vm;

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

// logind's Inhibit as logind does it: the caller gets the writing end of a pipe, and the
// inhibitor lasts until every copy of that end is closed.
class FakeLogind : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
  public:
    struct Inhibitor {
        QString what, who, why, mode;
        int readEnd = -1;
    };
    QList<Inhibitor> inhibitors;
    bool refuse = false;

    ~FakeLogind() override {
        for (const Inhibitor& i : inhibitors) {
            ::close(i.readEnd);
        }
    }
    bool released(int i) const {
        pollfd p{inhibitors.at(i).readEnd, POLLIN, 0};
        return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
    }
    int held() const {
        int n = 0;
        for (int i = 0; i < inhibitors.size(); ++i) {
            n += released(i) ? 0 : 1;
        }
        return n;
    }
    // The inode of inhibitor i's pipe.
    ino_t pipe(int i) const {
        struct stat st {};
        ::fstat(inhibitors.at(i).readEnd, &st);
        return st.st_ino;
    }

  public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        if (refuse) {
            sendErrorReply(QDBusError::AccessDenied, "not allowed");
            return {};
        }
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            return {};
        }
        inhibitors.append({what, who, why, mode, ends[0]});
        const QDBusUnixFileDescriptor handed(ends[1]);  // a copy of its own
        ::close(ends[1]);
        return handed;
    }
};

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
  public:
    QMap<uint, QString> active;  // cookie -> reason
    QStringList whys;
    uint next = 7;

  public slots:
    uint Inhibit(const QString& who, const QString& why) {
        whys.append(who + ": " + why);
        active.insert(next, why);
        return next++;
    }
    void UnInhibit(uint cookie) { active.remove(cookie); }
};

// A service of ours on its own connection to the private bus.
template <class Service>
struct Own {
    Service service;
    QString name;
    QString path;
    QDBusConnection bus;
    Own(const QString& n, const QString& p)
        : name(n), path(p), bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, n)) {
        bus.registerService(name);
        bus.registerObject(path, &service, QDBusConnection::ExportAllSlots);
    }
    ~Own() {
        bus.unregisterObject(path);
        bus.unregisterService(name);
        QDBusConnection::disconnectFromBus(name);
    }
};

QDBusConnection NoBus() {
    return QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                         QStringLiteral("nobus"));
}

// The private bus on a connection of the client's own, standing in for the system bus.
QDBusConnection SystemStandIn() {
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("system"));
}

// Whether every descriptor of this process on the pipe is closed across exec (an encoder
// started meanwhile must not keep the machine awake after we are gone); except readEnd.
bool ClosedOnExec(ino_t pipe, int readEnd) {
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& name :
         fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        const int fd = name.toInt();
        struct stat st {};
        if (fd == readEnd || ::fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode) || st.st_ino != pipe) {
            continue;
        }
        if (!(::fcntl(fd, F_GETFD) & FD_CLOEXEC)) {
            return false;
        }
    }
    return true;
}

}  // namespace

class TestDBusRunServices : public QObject {
    Q_OBJECT

    bool busThere() const { return QDBusConnection::sessionBus().isConnected(); }

  private slots:
    // logind's inhibitor while a run goes; a new reason, a new inhibitor before the old one
    // goes; the latest of several reasons in quick succession; gone when released.
    void logindInhibitor() {
        if (!busThere()) {
            QSKIP("no session bus (run under dbus-run-session)");
        }
        Own<FakeLogind> logind(kLogind, kLogindPath);
        {
            DBusSleepInhibitor sleep("Vidmorf", SystemStandIn(), QDBusConnection::sessionBus());
            sleep.setRenewInterval(200);
            sleep.hold("Converting 1 of 3 files");
            QTRY_COMPARE(logind.service.inhibitors.size(), 1);
            const FakeLogind::Inhibitor& first = logind.service.inhibitors[0];
            QCOMPARE(first.what, QStringLiteral("sleep:idle"));
            QCOMPARE(first.who, QStringLiteral("Vidmorf"));
            QCOMPARE(first.why, QStringLiteral("Converting 1 of 3 files"));
            QCOMPARE(first.mode, QStringLiteral("block"));
            QTest::qWait(50);
            QVERIFY(!logind.service.released(0));
            QVERIFY(ClosedOnExec(logind.service.pipe(0), first.readEnd));

            sleep.hold("Converting 1 of 3 files");  // the same reason: nothing new
            sleep.hold("Converting 2 of 3 files");
            sleep.hold("Converting 3 of 3 files");
            QTRY_COMPARE(logind.service.inhibitors.size(), 2);
            QCOMPARE(logind.service.inhibitors[1].why, QStringLiteral("Converting 3 of 3 files"));
            QTRY_VERIFY(logind.service.released(0));
            QCOMPARE(logind.service.held(), 1);

            sleep.release();
            QTRY_COMPARE(logind.service.held(), 0);
            sleep.release();

            // Released while logind's answer is on its way: that inhibitor goes at once.
            sleep.hold("Converting 1 of 1 files");
            sleep.release();
            QTRY_COMPARE(logind.service.inhibitors.size(), 3);
            QTRY_COMPARE(logind.service.held(), 0);

            // A later run takes a new one at once, whatever the interval.
            sleep.setRenewInterval(60000);
            sleep.hold("Converting 1 of 2 files");
            QTRY_COMPARE(logind.service.held(), 1);
        }
        QTRY_COMPARE(logind.service.held(), 0);  // gone with the object
    }

    // A program killed while it holds logind's inhibitor leaves none behind.
    void goneWithAKilledProgram() {
        if (!busThere()) {
            QSKIP("no session bus (run under dbus-run-session)");
        }
        Own<FakeLogind> logind(kLogind, kLogindPath);
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {"--hold"});
        QVERIFY(holder.waitForStarted());
        QTRY_COMPARE(logind.service.inhibitors.size(), 1);
        QCOMPARE(logind.service.inhibitors[0].why, QStringLiteral("Converting 1 of 1 files"));
        QVERIFY(!logind.service.released(0));
        ::kill(pid_t(holder.processId()), SIGKILL);
        QVERIFY(holder.waitForFinished());
        QTRY_VERIFY(logind.service.released(0));
    }

    // No logind, or one that refuses: the screen saver's inhibitor, a cookie per reason.
    void screenSaverWhereLogindIsNot() {
        if (!busThere()) {
            QSKIP("no session bus (run under dbus-run-session)");
        }
        Own<FakeScreenSaver> saver(kScreenSaver, kScreenSaverPath);
        Own<FakeLogind> logind(kLogind, kLogindPath);
        logind.service.refuse = true;
        for (bool refusing : {false, true}) {
            DBusSleepInhibitor sleep("Vidmorf", refusing ? SystemStandIn() : NoBus(),
                                     QDBusConnection::sessionBus());
            sleep.setRenewInterval(0);
            sleep.hold("Converting 1 of 2 files");
            QTRY_COMPARE(saver.service.active.size(), 1);
            QCOMPARE(saver.service.whys.last(), QStringLiteral("Vidmorf: Converting 1 of 2 files"));
            sleep.hold("Converting 2 of 2 files");
            QTRY_COMPARE(saver.service.active.values(), QStringList{"Converting 2 of 2 files"});
            sleep.release();
            QTRY_VERIFY(saver.service.active.isEmpty());
            QVERIFY(logind.service.inhibitors.isEmpty());
        }
    }

    // Neither service on the bus: nothing held, nothing fails, and a later run asks again.
    void neitherService() {
        if (!busThere()) {
            QSKIP("no session bus (run under dbus-run-session)");
        }
        DBusSleepInhibitor sleep("Vidmorf", SystemStandIn(), QDBusConnection::sessionBus());
        sleep.setRenewInterval(0);
        sleep.hold("Converting 1 of 2 files");
        QTest::qWait(200);
        sleep.hold("Converting 2 of 2 files");
        sleep.release();
        Own<FakeScreenSaver> saver(kScreenSaver, kScreenSaverPath);
        sleep.hold("Converting 1 of 1 files");
        QTRY_COMPARE(saver.service.active.size(), 1);
    }

    // The Update signal that the docks read, sent only when what they show changes.
    void dockEntry() {
        if (!busThere()) {
            QSKIP("no session bus (run under dbus-run-session)");
        }
        QList<QPair<QString, QVariantMap>> updates;
        QDBusConnection::sessionBus().connect(QString(),
                                              "/com/canonical/unity/launcherentry/vidmorf",
                                              "com.canonical.Unity.LauncherEntry", "Update", this,
                                              SLOT(dockUpdate(QString, QVariantMap)));
        updates_ = &updates;
        {
            DBusTaskbarEntry entry("vidmorf", QDBusConnection::sessionBus());
            entry.showProgress(0.25, 3);
            entry.showProgress(0.2512, 3);  // the same to the dock
            entry.showProgress(1.7, 0);
            entry.clear();
            entry.clear();
            entry.showProgress(-1, 5);
        }
        QTRY_COMPARE(updates.size(), 5);
        for (const auto& [app, properties] : updates) {
            QCOMPARE(app, QStringLiteral("application://vidmorf.desktop"));
            QCOMPARE(properties.value("count").typeId(), QMetaType::LongLong);
        }
        auto shown = [&](int i) {
            const QVariantMap& p = updates[i].second;
            return QVariantList{p["progress"].toDouble(), p["progress-visible"].toBool(),
                                p["count"].toLongLong(), p["count-visible"].toBool()};
        };
        QCOMPARE(shown(0), (QVariantList{0.25, true, 3, true}));
        QCOMPARE(shown(1), (QVariantList{1.0, true, 0, false}));
        QCOMPARE(shown(2), (QVariantList{0.0, false, 0, false}));
        QCOMPARE(shown(3), (QVariantList{0.0, true, 5, true}));
        QCOMPARE(shown(4), (QVariantList{0.0, false, 0, false}));  // cleared as it goes
        updates_ = nullptr;
    }

    // No bus at all: nothing is sent, nothing fails.
    void noBus() {
        if (busThere()) {
            QSKIP("a session bus is there");
        }
        DBusSleepInhibitor sleep("Vidmorf", NoBus(), QDBusConnection::sessionBus());
        sleep.hold("Converting 1 of 2 files");
        sleep.hold("Converting 2 of 2 files");
        sleep.release();
        DBusTaskbarEntry entry("vidmorf", QDBusConnection::sessionBus());
        entry.showProgress(0.5, 1);
        entry.clear();
    }

  public slots:
    void dockUpdate(const QString& app, const QVariantMap& properties) {
        if (updates_) {
            updates_->append({app, properties});
        }
    }

  private:
    QList<QPair<QString, QVariantMap>>* updates_ = nullptr;
};

// With --hold: takes logind's inhibitor and holds it until killed.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--hold") == 0) {
        DBusSleepInhibitor sleep("Vidmorf", SystemStandIn(), QDBusConnection::sessionBus());
        sleep.hold("Converting 1 of 1 files");
        return app.exec();
    }
    TestDBusRunServices test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_dbus_run_services.moc"
