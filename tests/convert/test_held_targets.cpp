// SPDX-License-Identifier: GPL-3.0-or-later
// What a failed file may delete at its target's name: only the file that its job was seen to
// hold open, which the run can tell on POSIX (through /proc). On Windows it deletes nothing
// there: the encoder writes under a name of its own, deleted when closed.
#include <QTest>
#include <cstdio>

#include "RunRig.h"

using namespace vm;
using namespace vm::test;

namespace {

// A source for the stand-in: fails after a while, having written nothing itself.
const QByteArray kFailsLate = "sleep 0.6\nerr Error: cannot write the output\\n\n";

}  // namespace

class TestHeldTargets : public QObject {
    Q_OBJECT

  private slots:
    // A failed job deletes only the file it wrote itself: a file that another program made
    // under the target's name, or put there in place of ours, stays.
    void aFailedFileDeletesOnlyItsOwnOutput() {
        Rig r;
        const QString foreign = r.ws.source("foreign.flv", kFailsLate);
        const QString replaced = r.ws.source("replaced.flv", kFails);
        const QString own = r.ws.source("own.flv", kFails);
        r.view.files = {foreign, replaced, own};
        // Another conversion finishes a file of that name while ours still runs.
        r.when("(1/3)", 150, [&] { WriteFile(r.ws.out("foreign.avi"), "finished elsewhere"); });
        r.when("(2/3)", 250, [&] {
            WriteFile(r.ws.out("other.tmp"), "finished elsewhere");
            QCOMPARE(std::rename(qPrintable(r.ws.out("other.tmp")),
                                 qPrintable(r.ws.out("replaced.avi"))),
                     0);
        });
        QVERIFY(r.runToEnd());
        QCOMPARE(ReadFile(r.ws.out("foreign.avi")), QByteArray("finished elsewhere"));
        QCOMPARE(ReadFile(r.ws.out("replaced.avi")), QByteArray("finished elsewhere"));
        QVERIFY(!QFileInfo::exists(r.ws.out("own.avi")));
        QCOMPARE(r.lastMessage().text,
                 doneText(r.messages, 3, "\r错误3:\r" + foreign + "\r" + replaced + "\r" + own));
    }
};

QTEST_GUILESS_MAIN(TestHeldTargets)
#include "test_held_targets.moc"
