// SPDX-License-Identifier: GPL-3.0-or-later
// The window on the desktop: its command line, the one window per program folder, files that
// later starts hand over, the machine kept awake and the dock's progress during a run, and the
// notice when a run ends while the user looks elsewhere, with what it offers to do.
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <memory>

#include "MemoryPlatform.h"
#include "app/CommandLine.h"
#include "app/DesktopSession.h"
#include "app/Form1.h"
#include "app/Widgets.h"
#include "convert/BatchRun.h"
#include "platform/fake/FakeDesktopRun.h"
#include "platform/fake/FakeInstanceChannel.h"
#include "platform/fake/FakeNotifications.h"
#include "platform/paths/PathBytes.h"

using namespace vm;
using namespace vm::test;

namespace {

struct Rig : MemoryPlatform {
    FakeNotifications notifications;
    FakeSleepInhibitor sleep;
    FakeTaskbarEntry taskbar;
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
            profiles.set(pack, "Dialog", "note5", "Converting %1 of %2 files");
            profiles.set(pack, "Dialog", "note6", "Open output folder");
        }
        form = std::make_unique<Form1>(platform(), kFolder);
        session = std::make_unique<DesktopSession>(
            *form, DesktopServices{notifications, sleep, taskbar}, channel);
    }
    QStringList list() const {
        QStringList entries;
        for (int i = 0; i < form->controls().List1->count(); ++i) {
            entries.append(QDir::fromNativeSeparators(form->controls().List1->item(i)->text()));
        }
        return entries;
    }
};

// An absolute path on this system ("/" or "C:/" before it), and its file: URL.
QString FileUrl(const QString& path) {
    return FileUrlFromPath(QDir::rootPath()).toString() + path;
}

// An absolute path on this system ("/" or "C:/" before it).
QString Abs(const QString& path) {
    return QDir::rootPath() + path;
}

CommandLine Parse(const QStringList& args) {
    return ParseCommandLine(QStringList{"vidmorf"} + args, Abs("home/ann/videos"));
}

}  // namespace

class TestDesktop : public QObject {
    Q_OBJECT

  private slots:
    // Files keep their order; relative paths and file: URLs become absolute local paths.
    void commandLineFiles() {
        const CommandLine line =
            Parse({"b.flv", "../a.FLV", Abs("abs/c d.flv"), FileUrl("x/%E8%A7%86%E9%A2%91.flv"),
                   "https://example.org/e.flv", "-", "--", "-dash.flv", "--help"});
        QCOMPARE(line.action, CommandLine::Action::Run);
        QCOMPARE(line.files,
                 (QStringList{Abs("home/ann/videos/b.flv"), Abs("home/ann/a.FLV"),
                              Abs("abs/c d.flv"), Abs("x/视频.flv"), Abs("home/ann/videos/-"),
                              Abs("home/ann/videos/-dash.flv"), Abs("home/ann/videos/--help")}));
        QVERIFY(Parse({}).files.isEmpty());
        if (!NamesAreBytes()) {
            return;  // names on this system are text (UTF-16), not bytes
        }
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

        const QString folder = Abs("opt/vidmorf/");
        QCOMPARE(InstanceName(folder), InstanceName(Abs("opt/vidmorf")));
        QCOMPARE(InstanceName(folder), InstanceName(Abs("opt/x/../vidmorf/")));
        QVERIFY(InstanceName(folder) != InstanceName(Abs("opt/vidmorf2/")));
        QVERIFY(InstanceName(folder).startsWith("vidmorf-"));
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
        emit rig.form->batchRun().fileStarted(1, 1);
        emit rig.form->batchRun().ending(1, 0, 0);
        QVERIFY(rig.notifications.shown.isEmpty());
        QCOMPARE(rig.notifications.attentionRequests, 0);
        QVERIFY(!rig.sleep.held && !rig.taskbar.now);
    }

    // A run through the window: awake while it converts, the list's progress and the files left
    // on the dock; both end with the run, before its completion message waits for the user.
    void runKeepsAwakeAndShowsOnTheDock() {
        Rig rig;
        QVERIFY(rig.form->startUp());
        rig.form->AddGivenFiles({"/v/a.flv", "/v/b.flv"});
        BatchRun& run = rig.form->batchRun();
        run.start();
        QVERIFY(run.isRunning());
        QCOMPARE(rig.sleep.reasons, QStringList{"正在转换第 1 个文件，共 2 个"});
        QVERIFY(rig.sleep.held);
        QCOMPARE(rig.taskbar.now, (FakeTaskbarEntry::Shown{0.0, 2}));
        emit run.listProgress(0.3);
        QCOMPARE(rig.taskbar.now, (FakeTaskbarEntry::Shown{0.3, 2}));

        rig.processes.finish();  // no closing line: the file failed
        QTRY_COMPARE(rig.sleep.reasons.size(), 2);
        QCOMPARE(rig.sleep.reasons[1], QStringLiteral("正在转换第 2 个文件，共 2 个"));
        QCOMPARE(rig.taskbar.now, (FakeTaskbarEntry::Shown{0.5, 1}));

        // While the completion message waits, the user picks the notification's actions.
        bool quietDuringBox = false;
        QStringList actionKeys;
        int unfolded = -1;
        QStringList opened;
        rig.dialogs.setNextAnswer([&] {
            quietDuringBox = !rig.sleep.held && !rig.taskbar.now;
            actionKeys = rig.notifications.actionKeys();
            rig.notifications.invoke(RunOnDesktop::kShowDetails);  // the open box unfolds
            unfolded = rig.dialogs.unfolded;
            rig.notifications.invoke(RunOnDesktop::kOpenFolder);
            opened = rig.links.opened;
            return MsgAnswer::Ok;
        });
        // The user has turned to another program by the time the run ends.
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        QApplication::setActiveWindow(nullptr);
        QT_WARNING_POP
        rig.processes.finish();
        QTRY_VERIFY(!run.isRunning());
        QVERIFY(quietDuringBox);
        QCOMPARE(actionKeys, (QStringList{RunOnDesktop::kOpenFolder, RunOnDesktop::kShowDetails}));
        QCOMPARE(rig.notifications.shown[0].actions[0].label, QStringLiteral("打开输出文件夹"));
        QCOMPARE(rig.notifications.shown[0].actions[1].label, QStringLiteral("查看详情"));
        QCOMPARE(unfolded, 1);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(QFileInfo(PathFromFileUrl(QUrl(opened[0]))), QFileInfo("/opt/vidmorf/output"));
        QCOMPARE(rig.sleep.releases, 1);
        QCOMPARE(rig.notifications.shown.size(), 1);
        QCOMPARE(rig.notifications.shown[0].body,
                 QStringLiteral("完成 0 个，跳过 0 个，错误 2 个"));

        // The message closed: the details come again, in a box of their own.
        const FakeDialogs::Shown completion = rig.dialogs.messages().last();
        const qsizetype boxes = rig.dialogs.messages().size();
        QVERIFY(completion.details.contains(QDir::toNativeSeparators("/v/a.flv: ")));
        rig.notifications.invoke(RunOnDesktop::kShowDetails);
        QCOMPARE(rig.dialogs.messages().size(), boxes + 1);
        QCOMPARE(rig.dialogs.messages().last().text, completion.text);
        QCOMPARE(rig.dialogs.messages().last().details, completion.details);
        rig.notifications.invoke("something-else");
        QCOMPARE(rig.dialogs.messages().size(), boxes + 1);
        QCOMPARE(rig.links.opened.size(), 1);
    }

    // The output folder opens by its own bytes, a name that is not UTF-8 included.
    void openFolderOfANameNotUtf8() {
        if (!NamesAreBytes()) {
            QSKIP("names on this system are text (UTF-16), not bytes");
        }
        Rig rig;
        QVERIFY(rig.form->startUp());
        const QByteArray folder = "/v/\xb5\xe7\xd3\xb0";
        rig.files.addDir(PathFromBytes(folder + "/"));
        rig.dialogs.setNextFolder(PathFromBytes(folder));
        rig.form->controls().Command2->click();
        rig.form->AddGivenFiles({"/v/a.flv"});
        rig.form->batchRun().start();
        QCoreApplication::processEvents();
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        QApplication::setActiveWindow(nullptr);  // the run ends while the user looks elsewhere
        QT_WARNING_POP
        rig.processes.finish();
        QTRY_VERIFY(!rig.form->batchRun().isRunning());
        rig.notifications.invoke(RunOnDesktop::kOpenFolder);
        QCOMPARE(rig.links.opened.size(), 1);
        QCOMPARE(PathToBytes(PathFromFileUrl(QUrl(rig.links.opened[0]))), folder + "/");
    }

    // The pack's texts; a run where nothing failed offers the folder alone.
    void runOnTheDesktopInThePacksLanguage() {
        Rig rig(true);
        QVERIFY(rig.form->startUp());
        emit rig.form->batchRun().fileStarted(3, 100);
        QCOMPARE(rig.sleep.reasons, QStringList{"Converting 3 of 100 files"});
        QCOMPARE(rig.taskbar.now, (FakeTaskbarEntry::Shown{0.02, 98}));
        emit rig.form->batchRun().ending(3, 0, 0);
        QVERIFY(!rig.sleep.held && !rig.taskbar.now);
        QCOMPARE(rig.notifications.actionKeys(), QStringList{RunOnDesktop::kOpenFolder});
        QCOMPARE(rig.notifications.shown[0].actions[0].label, QStringLiteral("Open output folder"));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
