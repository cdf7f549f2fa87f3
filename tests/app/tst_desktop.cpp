// SPDX-License-Identifier: GPL-3.0-or-later
// The window on the desktop: its command line, the one window per program folder, files that
// later starts hand over, and the notice when a run ends while the user looks elsewhere.
#include <QListWidget>
#include <QtTest>
#include <memory>

#include "MemoryPlatform.h"
#include "app/CommandLine.h"
#include "app/DesktopSession.h"
#include "app/Form1.h"
#include "app/Widgets.h"
#include "convert/BatchRun.h"
#include "platform/PathBytes.h"
#include "platform/fake/FakeInstanceChannel.h"
#include "platform/fake/FakeNotifications.h"

using namespace vm;
using namespace vm::test;

namespace {

struct Rig : MemoryPlatform {
    FakeNotifications notifications;
    FakeInstanceChannel channel;
    std::unique_ptr<Form1> form;
    std::unique_ptr<DesktopSession> session;

    explicit Rig(bool englishPack = false) {
        files.addDir(kFolder);
        files.addFile(kFolder + QStringLiteral("coder.dll"));
        if (englishPack) {
            const QString pack = kFolder + QStringLiteral("en.INI");
            files.addFile(pack);
            profiles.set(pack, "Info", "Language", "English");
            profiles.set(pack, "Info", "Set", "1");
            profiles.set(pack, "Dialog", "note1", "Conversion finished");
            profiles.set(pack, "Dialog", "note2", "%1 done, %2 skipped, %3 failed");
        }
        form = std::make_unique<Form1>(platform(), kFolder);
        session = std::make_unique<DesktopSession>(*form, notifications, channel);
    }
    QStringList list() const {
        QStringList entries;
        for (int i = 0; i < form->controls().List1->count(); ++i) {
            entries.append(form->controls().List1->item(i)->text());
        }
        return entries;
    }
};

CommandLine Parse(const QStringList& args) {
    return ParseCommandLine(QStringList{"vidmorf"} + args, QStringLiteral("/home/ann/videos"));
}

}  // namespace

class TestDesktop : public QObject {
    Q_OBJECT

  private slots:
    // Files keep their order; relative paths and file: URLs become absolute local paths.
    void commandLineFiles() {
        const CommandLine line =
            Parse({"b.flv", "../a.FLV", "/abs/c d.flv", "file:///x/%E8%A7%86%E9%A2%91.flv",
                   "https://example.org/e.flv", "-", "--", "-dash.flv", "--help"});
        QCOMPARE(line.action, CommandLine::Action::Run);
        QCOMPARE(line.files,
                 (QStringList{"/home/ann/videos/b.flv", "/home/ann/a.FLV", "/abs/c d.flv",
                              "/x/视频.flv", "/home/ann/videos/-", "/home/ann/videos/-dash.flv",
                              "/home/ann/videos/--help"}));
        QVERIFY(Parse({}).files.isEmpty());
        // A name that is not UTF-8 keeps its bytes, given as they are or in a file: URL.
        QCOMPARE(Parse({PathFromBytes("../\xb5\xe7.flv"), "file:///x/%B5%E7.flv"}).files,
                 (QStringList{PathFromBytes("/home/ann/\xb5\xe7.flv"),
                              PathFromBytes("/x/\xb5\xe7.flv")}));
    }

    void commandLineOptions() {
        QCOMPARE(Parse({"a.flv", "--help"}).action, CommandLine::Action::Help);
        QCOMPARE(Parse({"-h"}).action, CommandLine::Action::Help);
        QCOMPARE(Parse({"--version", "a.flv"}).action, CommandLine::Action::Version);
        const CommandLine wrong = Parse({"a.flv", "--frobnicate"});
        QCOMPARE(wrong.action, CommandLine::Action::Error);
        QVERIFY(wrong.error.contains("--frobnicate"));
        QVERIFY(HelpText().contains("--version") && VersionText().startsWith("vidmorf 0.9"));
    }

    // Paths survive the hand-over whatever they hold; one name per program folder.
    void handOverFormat() {
        const QStringList paths{"/a b/c.flv", "/视频/新\n行.flv", "/x/'\"$`.flv",
                                PathFromBytes("/\xb5\xe7/\x80\xff.flv")};
        QCOMPARE(DecodePaths(EncodePaths(paths)), paths);
        QVERIFY(DecodePaths(EncodePaths({})).isEmpty());

        QCOMPARE(InstanceName("/opt/vidmorf/"), InstanceName("/opt/vidmorf"));
        QCOMPARE(InstanceName("/opt/vidmorf/"), InstanceName("/opt/x/../vidmorf/"));
        QVERIFY(InstanceName("/opt/vidmorf/") != InstanceName("/opt/vidmorf2/"));
        QVERIFY(InstanceName("/opt/vidmorf/").startsWith("vidmorf-"));
    }

    // A later start ends once the running window has the files; a channel that cannot be set
    // up leaves the window to run on its own.
    void claimingTheWindow() {
        FakeInstanceChannel channel;
        channel.answer = InstanceChannel::Claim::HandedOver;
        QVERIFY(!ClaimOneWindow(channel, "/opt/vidmorf/", {"/v/a.flv", "/v/b.flv"}));
        QCOMPARE(channel.claimedName, InstanceName("/opt/vidmorf/"));
        QCOMPARE(DecodePaths(channel.sent.value(0)), (QStringList{"/v/a.flv", "/v/b.flv"}));

        channel.answer = InstanceChannel::Claim::Listening;
        QVERIFY(ClaimOneWindow(channel, "/opt/vidmorf/", {}));
        channel.answer = InstanceChannel::Claim::Alone;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot reach this window"));
        QVERIFY(ClaimOneWindow(channel, "/opt/vidmorf/", {}));
    }

    // Handed-over files join the list as a drop would, after what is there, also during a run.
    void arrivingFilesJoinTheList() {
        Rig rig;
        // Before start-up has shown the window, files join it but it stays hidden.
        rig.channel.deliver(EncodePaths({"/v/early.flv"}));
        QVERIFY(!rig.form->isVisible());
        QCOMPARE(rig.list(), QStringList{"/v/early.flv"});
        rig.form->controls().List1->clear();
        QVERIFY(rig.form->startUp());
        rig.form->AddGivenFiles({"/v/first.flv", "/v/notes.txt"});
        rig.channel.deliver(
            EncodePaths({"/v/a.flv", "/v/b.FLV", "/v/c.avi", "/v/dir", "/v/x.Flv"}));
        QCOMPARE(rig.list(), (QStringList{"/v/first.flv", "/v/a.flv", "/v/b.FLV", "/v/x.Flv"}));

        rig.form->batchRun().start();
        QVERIFY(rig.form->batchRun().isRunning());
        rig.channel.deliver(EncodePaths({"/v/late.flv"}));
        QCOMPARE(rig.list().size(), 5);
        QCOMPARE(rig.list().last(), QStringLiteral("/v/late.flv"));
        // A start without files only brings the window up, out of the taskbar too.
        rig.form->setWindowState(Qt::WindowMinimized);
        rig.channel.deliver({});
        QCOMPARE(rig.list().size(), 5);
        QVERIFY(!(rig.form->windowState() & Qt::WindowMinimized));
        QVERIFY(rig.form->isVisible());
    }

    // Out of sight: a notification with the counts in the built-in language, and attention.
    void runEndsOutOfSight() {
        Rig rig;
        QVERIFY(rig.form->startUp());
        QVERIFY(!QApplication::activeWindow());
        emit rig.form->batchRun().ending(2, 1, 3);
        QCOMPARE(rig.notifications.shown.size(), 1);
        QCOMPARE(rig.notifications.shown[0].title, QStringLiteral("转换已完成"));
        QCOMPARE(rig.notifications.shown[0].body,
                 QStringLiteral("完成 2 个，跳过 1 个，错误 3 个"));
        QCOMPARE(rig.notifications.attentionRequests, 1);

        rig.notifications.reachable = false;  // no service: nothing fails
        emit rig.form->batchRun().ending(0, 0, 1);
        QCOMPARE(rig.notifications.attentionRequests, 2);
    }

    void runEndsOutOfSightInThePacksLanguage() {
        Rig rig(true);
        QVERIFY(rig.form->startUp());
        emit rig.form->batchRun().ending(5, 0, 1);
        QCOMPARE(rig.notifications.shown.value(0).title, QStringLiteral("Conversion finished"));
        QCOMPARE(rig.notifications.shown.value(0).body,
                 QStringLiteral("5 done, 0 skipped, 1 failed"));
    }

    // The user has the window in front: the completion message is enough.
    void runEndsInSight() {
        Rig rig;
        QVERIFY(rig.form->startUp());
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        emit rig.form->batchRun().ending(1, 0, 0);
        QVERIFY(rig.notifications.shown.isEmpty());
        QCOMPARE(rig.notifications.attentionRequests, 0);
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
