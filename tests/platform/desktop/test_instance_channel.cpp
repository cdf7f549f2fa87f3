// SPDX-License-Identifier: GPL-3.0-or-later
// The one-window channel over the system's real local socket (a named pipe on Windows):
// claiming, handing over, and clients that misbehave.
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <atomic>
#include <thread>

#include "ChannelTesting.h"

using namespace vm;
using namespace vm::test;

namespace {

using Claim = InstanceChannel::Claim;

// A later start claims from a thread of its own, as another process would, while the
// listener's event loop goes on (a named pipe's write waits for its reader).
Claim ClaimElsewhere(const QString& folder, const QString& name, const QByteArray& message) {
    std::atomic<bool> done = false;
    Claim result = Claim::Alone;
    std::thread later([&] {
        LocalSocketChannel channel(folder);
        result = channel.claim(name, message, nullptr);
        done = true;
    });
    (void)QTest::qWaitFor([&] { return done.load(); }, 30000);  // the claim gives up sooner
    later.join();
    return result;
}

}  // namespace

class TestInstanceChannel : public QObject {
    Q_OBJECT

  private slots:
    // The first claim listens; later claims hand over, whatever the message holds, and the
    // message reaches the handler whole.
    void firstListensLaterOnesHandOver() {
        QTemporaryDir dir;
        Listener first(dir.path());
        QString error;
        QCOMPARE(first.channel.claim("vm-a", "first", &error), Claim::Listening);

        const QByteArray big(64 * 1024, 'x');  // a thousand paths
        const QByteArray binary("a\0b\nc", 5);
        for (const QByteArray& message : {QByteArray("/v/a.flv"), QByteArray(), big, binary}) {
            QCOMPARE(ClaimElsewhere(dir.path(), "vm-a", message), Claim::HandedOver);
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
        QTRY_COMPARE(greedy.state(), QLocalSocket::UnconnectedState);

        QLocalSocket halfway;
        halfway.connectToServer(first.channel.socketPath());
        QVERIFY(halfway.waitForConnected(1000));
        qToBigEndian(quint32(10), header.data());
        halfway.write(header + "abc");
        QTRY_COMPARE(halfway.bytesToWrite(), 0);
        halfway.disconnectFromServer();
        QTest::qWait(100);

        QCOMPARE(ClaimElsewhere(dir.path(), "vm-a", "ok"), Claim::HandedOver);
        QTRY_COMPARE(first.received, QList<QByteArray>{"ok"});
    }

    void noFolderMeansAlone() {
        QTemporaryDir dir;
        LocalSocketChannel channel(dir.filePath("nonexistent"));
        QString error;
        QCOMPARE(channel.claim("vm-a", {}, &error), Claim::Alone);
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestInstanceChannel)
#include "test_instance_channel.moc"
