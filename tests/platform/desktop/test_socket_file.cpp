// SPDX-License-Identifier: GPL-3.0-or-later
// The channel's socket file: only the user may use it, and a file left by a copy that was
// killed does not block a start.
#include <sys/stat.h>

#include <QTemporaryDir>
#include <QTest>

#include "ChannelTesting.h"
#include "DeadSocket.h"

using namespace vm;
using namespace vm::test;

namespace {

using Claim = InstanceChannel::Claim;

}  // namespace

class TestSocketFile : public QObject {
    Q_OBJECT

  private slots:
    void onlyTheUserMayUseIt() {
        QTemporaryDir dir;
        Listener first(dir.path());
        QCOMPARE(first.channel.claim("vm-a", {}, nullptr), Claim::Listening);
        struct stat info {};
        QCOMPARE(::stat(vm::PathToBytes(first.channel.socketPath()).constData(), &info), 0);
        QVERIFY(S_ISSOCK(info.st_mode));
        QCOMPARE(info.st_mode & 077, 0u);
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
};

QTEST_GUILESS_MAIN(TestSocketFile)
#include "test_socket_file.moc"
