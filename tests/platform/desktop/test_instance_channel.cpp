// SPDX-License-Identifier: GPL-3.0-or-later
// The one-window channel over a real local socket: claiming, handing over, a socket left by a
// copy that crashed, and clients that misbehave.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cstring>

#include "platform/paths/PathBytes.h"
#include "platform/real/LocalSocketChannel.h"

using namespace vm;

namespace {

using Claim = InstanceChannel::Claim;

struct Listener {
    LocalSocketChannel channel;
    QList<QByteArray> received;

    explicit Listener(const QString& folder) : channel(folder) {
        channel.setMessageHandler([this](const QByteArray& m) { received.append(m); });
    }
};

// What a copy that was killed leaves behind: a socket file that nobody answers.
bool MakeDeadSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = vm::PathToBytes(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()) + 1);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound && QFile::exists(path);
}

}  // namespace

class TestInstanceChannel : public QObject {
    Q_OBJECT

  private slots:
    // The first claim listens on a socket only the user may use; later claims hand over,
    // whatever the message holds, and the message reaches the handler whole.
    void firstListensLaterOnesHandOver() {
        QTemporaryDir dir;
        Listener first(dir.path());
        QString error;
        QCOMPARE(first.channel.claim("vm-a", "first", &error), Claim::Listening);
        struct stat info {};
        QCOMPARE(::stat(vm::PathToBytes(first.channel.socketPath()).constData(), &info), 0);
        QVERIFY(S_ISSOCK(info.st_mode));
        QCOMPARE(info.st_mode & 077, 0u);

        const QByteArray big(64 * 1024, 'x');  // a thousand paths
        const QByteArray binary("a\0b\nc", 5);
        for (const QByteArray& message : {QByteArray("/v/a.flv"), QByteArray(), big, binary}) {
            LocalSocketChannel later(dir.path());
            QCOMPARE(later.claim("vm-a", message, &error), Claim::HandedOver);
        }
        QTRY_COMPARE(first.received.size(), 4);
        QCOMPARE(first.received[0], QByteArray("/v/a.flv"));
        QCOMPARE(first.received[1], QByteArray());
        QCOMPARE(first.received[2], big);
        QCOMPARE(first.received[3], binary);

        // Another name is another window.
        Listener other(dir.path());
        QCOMPARE(other.channel.claim("vm-b", {}, &error), Claim::Listening);
    }

    // A socket that nobody answers does not block a start; neither does one that its copy
    // closed on its way out.
    void deadSocketIsReplaced() {
        QTemporaryDir dir;
        QVERIFY(MakeDeadSocket(dir.filePath("vm-a")));
        {
            Listener first(dir.path());
            QString error;
            QCOMPARE(first.channel.claim("vm-a", {}, &error), Claim::Listening);
            LocalSocketChannel later(dir.path());
            QCOMPARE(later.claim("vm-a", "x", &error), Claim::HandedOver);
            QTRY_COMPARE(first.received.size(), 1);
        }
        Listener next(dir.path());
        QCOMPARE(next.channel.claim("vm-a", {}, nullptr), Claim::Listening);
    }

    // A client that announces too much, or sends half a message and goes, is dropped; the
    // window goes on listening.
    void misbehavingClientsAreDropped() {
        QTemporaryDir dir;
        Listener first(dir.path());
        QCOMPARE(first.channel.claim("vm-a", {}, nullptr), Claim::Listening);

        QLocalSocket greedy;
        greedy.connectToServer(first.channel.socketPath());
        QVERIFY(greedy.waitForConnected(1000));
        QByteArray header(4, '\0');
        qToBigEndian(quint32(LocalSocketChannel::kMaxMessage + 1), header.data());
        greedy.write(header + "abc");
        QVERIFY(greedy.waitForBytesWritten(1000));
        QTRY_COMPARE(greedy.state(), QLocalSocket::UnconnectedState);

        QLocalSocket halfway;
        halfway.connectToServer(first.channel.socketPath());
        QVERIFY(halfway.waitForConnected(1000));
        qToBigEndian(quint32(10), header.data());
        halfway.write(header + "abc");
        QVERIFY(halfway.waitForBytesWritten(1000));
        halfway.disconnectFromServer();
        QTest::qWait(100);

        LocalSocketChannel later(dir.path());
        QCOMPARE(later.claim("vm-a", "ok", nullptr), Claim::HandedOver);
        QTRY_COMPARE(first.received, QList<QByteArray>{"ok"});
    }

    void noFolderMeansAlone() {
        LocalSocketChannel channel("/nonexistent/runtime");
        QString error;
        QCOMPARE(channel.claim("vm-a", {}, &error), Claim::Alone);
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestInstanceChannel)
#include "test_instance_channel.moc"
