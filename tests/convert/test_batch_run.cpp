// SPDX-License-Identifier: GPL-3.0-or-later
// Whole runs without a window: a plain view, answered boxes, real files and processes, and
// stand-in encoders whose sources say what they do.
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "RunRig.h"
#include "convert/EncoderJob.h"

using namespace vm;
using namespace vm::test;

class TestBatchRun : public QObject {
    Q_OBJECT

  private slots:
    void emptyListIsRefused() {
        Rig r;
        r.run.start();
        QCOMPARE(r.dialogs.shown.size(), 1);
        QCOMPARE(r.dialogs.shown[0].title, r.messages[Message::AttentionTitle]);
        QCOMPARE(r.dialogs.shown[0].text, r.messages[Message::ListEmpty]);
        QVERIFY(!r.run.isRunning() && r.view.runningChanges.isEmpty());
    }

    // Files in list order, judged by the closing line alone; then a second run from zero.
    void filesInOrderAndJudged() {
        Rig r;
        const QString a = r.ws.source("a.flv", kConverts);
        const QString b = r.ws.source("b.flv", kFails);
        // The closing line counts, not the exit status; and "video" is case-sensitive.
        const QString c = r.ws.source("c.flv", QByteArray(kConverts) + "exit 1\n");
        const QString d = r.ws.source("d.flv", kWritesTarget + "err Video:1kB\\n\n");
        r.view.files = {a, b, c, d};
        QList<bool> idleAtEachFile;
        r.view.onCounterCaption = [&](const QString&) {
            idleAtEachFile.append(r.run.encoderIdle());
        };

        QVERIFY(r.runToEnd());
        QCOMPARE(r.view.counterCaptions,
                 QStringList({"正在转换(1/4):", "正在转换(2/4):", "正在转换(3/4):",
                              "正在转换(4/4):", "正在转换"}));
        QCOMPARE(idleAtEachFile, QList<bool>({true, true, true, true, true}));
        const auto calls = r.ws.calls();
        QCOMPARE(calls.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(calls[i].value(1), r.view.files[i]);
        }
        QCOMPARE(calls[0].last(), r.ws.out("a.avi"));
        QVERIFY(QFileInfo::exists(r.ws.out("a.avi")));
        QVERIFY(!QFileInfo::exists(r.ws.out("b.avi")));  // a failed file leaves no output
        QVERIFY(QFileInfo::exists(r.ws.out("c.avi")));
        QVERIFY(!QFileInfo::exists(r.ws.out("d.avi")));

        const auto done = r.lastMessage();
        QCOMPARE(done.title, r.messages[Message::Done]);
        QCOMPARE(done.buttons, MsgButtons::Ok);
        QCOMPARE(done.icon, MsgIcon::None);
        QCOMPARE(done.text,
                 doneText(r.messages, 4, "完成2:\r" + a + "\r" + c + "\r错误2:\r" + b + "\r" + d));
        QCOMPARE(r.view.runningChanges, QStringList({"on", "off"}));
        QVERIFY(r.run.encoderIdle());
        QCOMPARE(r.view.source, QString());
        QCOMPARE(r.view.status(StatusField::Size), QString());
        QCOMPARE(r.view.fileBar, 0.f);
        QCOMPARE(r.view.totalBar, 0.f);
        // Script and log are gone after each job.
        QVERIFY(!r.run.tempFolder().isEmpty());
        QCOMPARE(QDir(r.run.tempFolder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());

        // A second run counts only its own files; the auto-rename chain goes on.
        r.view.files = {a};
        QVERIFY(r.runToEnd());
        QCOMPARE(r.lastMessage().text, doneText(r.messages, 1, "完成1:\r" + a));
        QVERIFY(QFileInfo::exists(r.ws.out("a_new.avi")));
        QVERIFY(r.runToEnd());
        QVERIFY(QFileInfo::exists(r.ws.out("a_new_new.avi")));
    }

    // Who watches a run learns each file as it begins, how far the list's bar has come, and the
    // completion message before it is shown.
    void watchersFollowTheRun() {
        Rig r;
        const QString a =
            r.ws.source("a.flv",
                        "err frame=    5 q=2.0 size=       1kB time=0.2 bitrate=  10.0kbits/s\\r\n"
                        "sleep 0.5\n" +
                            kConverts);
        const QString b = r.ws.source("b.flv", kFails);
        r.view.files = {a, b};
        QSignalSpy started(&r.run, &BatchRun::fileStarted);
        QSignalSpy progress(&r.run, &BatchRun::listProgress);
        RunReport atEnding;
        connect(&r.run, &BatchRun::ending, this, [&] { atEnding = r.run.lastReport(); });

        QVERIFY(r.runToEnd());
        QCOMPARE(started.size(), 2);
        QCOMPARE(started[0], (QList<QVariant>{1, 2}));
        QCOMPARE(started[1], (QList<QVariant>{2, 2}));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().value(0).toDouble(),
                 double(r.view.totalBarPeak) / r.view.totalTrack);
        const FakeDialogs::Shown done = r.lastMessage();
        QCOMPARE(atEnding.title, done.title);
        QCOMPARE(atEnding.text, done.text);
        QCOMPARE(atEnding.details, done.details);
        QVERIFY(atEnding.details.startsWith(Shown(b) + ": "));
        QCOMPARE(atEnding.outputFolder, r.ws.output);
        QCOMPARE(r.run.lastReport().text, done.text);  // kept after the run
    }

    // The private temp folder is left empty after each job and goes with the run.
    void tempFolderIsRemoved() {
        QString folder;
        {
            Rig r;
            r.view.files = {r.ws.source("a.flv", kConverts)};
            QVERIFY(r.runToEnd());
            folder = r.run.tempFolder();
            QVERIFY(QFileInfo(folder).isDir());
        }
        QVERIFY(!QFileInfo::exists(folder));
    }

    void skipWhenEveryTargetExists() {
        Rig r;
        r.view.current.policy = ConflictPolicy::Skip;
        for (const char* name : {"x", "y"}) {
            r.view.files.append(r.ws.source(QString(name) + ".flv", kConverts));
            WriteFile(r.ws.out(QString(name) + ".avi"), "kept");
        }
        QVERIFY(r.runToEnd());
        QVERIFY(r.ws.calls().isEmpty());
        QCOMPARE(ReadFile(r.ws.out("x.avi")), QByteArray("kept"));
        QCOMPARE(r.lastMessage().text,
                 doneText(r.messages, 2, "\r跳过2:\r" + r.view.files[0] + "\r" + r.view.files[1]));
    }

    void askForNameDuringARun() {
        Rig r;
        r.view.current.policy = ConflictPolicy::AskForName;
        r.view.files = {r.ws.source("clip.flv", kConverts)};
        WriteFile(r.ws.out("clip.avi"), "kept");
        r.dialogs.setNextInput("");
        r.dialogs.setNextInput("other");
        QVERIFY(r.runToEnd());
        QCOMPARE(r.ws.calls().value(0).last(), r.ws.out("other.avi"));
        QCOMPARE(ReadFile(r.ws.out("clip.avi")), QByteArray("kept"));
    }

    // Cancel task answered with Cancel changes nothing; answered with OK during the second of
    // five files, that file finishes and is judged, and nothing more starts.
    void cancelTask() {
        Rig r;
        for (int i = 1; i <= 5; ++i) {
            r.view.files.append(r.ws.source(QString("f%1.flv").arg(i), SlowConverts("0.3")));
        }
        r.when("(1/5)", 50, [&] {
            r.dialogs.setNextAnswer(MsgAnswer::Cancel);
            r.run.requestStop();
        });
        r.when("(2/5)", 20, [&] {
            r.dialogs.setNextAnswer(MsgAnswer::Ok);
            r.run.requestStop();
        });
        QVERIFY(r.runToEnd());
        QCOMPARE(r.ws.calls().size(), 2);
        const auto boxes = r.dialogs.messages();
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(boxes[0].title, r.messages[Message::ConfirmTitle]);
        QCOMPARE(boxes[0].text, r.messages[Message::CancelQuestion]);
        QCOMPARE(boxes[0].icon, MsgIcon::Information);
        QCOMPARE(boxes[0].buttons, MsgButtons::OkCancel);
        QCOMPARE(boxes[2].text,
                 doneText(r.messages, 5, "完成2:\r" + r.view.files[0] + "\r" + r.view.files[1]));
        QVERIFY(QFileInfo::exists(r.ws.out("f2.avi")));
    }

    // Force stop kills the encoder of this job only: the file fails and leaves nothing, no
    // further file starts, and a process of the same name elsewhere lives on.
    void forceStop() {
        Rig r;
        QTemporaryDir elsewhere;
        QVERIFY(QFile::copy(r.ws.program + "coder.dll", elsewhere.filePath("coder.dll")));
        WriteFile(elsewhere.filePath("forever.flv"), "forever\n");
        QProcess bystander;
        bystander.start(elsewhere.filePath("coder.dll"),
                        {"-i", elsewhere.filePath("forever.flv"), elsewhere.filePath("x.avi")});
        QVERIFY(bystander.waitForStarted());

        r.view.files = {r.ws.source("long.flv", kRunsUntilKilled),
                        r.ws.source("next.flv", kConverts)};
        r.when("(1/2)", 100, [&] {
            r.dialogs.setNextAnswer(MsgAnswer::Cancel);  // changes nothing
            r.run.forceStop();
        });
        r.when("(1/2)", 300, [&] {
            QVERIFY(!r.run.encoderIdle());
            // However slow the system is to start the encoder (Wine takes its time).
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(r.ws.out("long.avi")), 20000);
            r.dialogs.setNextAnswer(MsgAnswer::Ok);
            r.run.forceStop();
        });
        QVERIFY(r.runToEnd());
        const auto boxes = r.dialogs.messages();
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(boxes[0].title, r.messages[Message::WarningTitle]);
        QCOMPARE(boxes[0].text, r.messages[Message::ForceStopQuestion]);
        QCOMPARE(boxes[0].icon, MsgIcon::Exclamation);
        QCOMPARE(boxes[2].text, doneText(r.messages, 2, "\r错误1:\r" + r.view.files[0]));
        QVERIFY(!QFileInfo::exists(r.ws.out("long.avi")));
        QCOMPARE(r.ws.calls().size(), 1);
        QCOMPARE(bystander.state(), QProcess::Running);
        bystander.kill();
        bystander.waitForFinished();
    }

    // A box that a handler opened holds the run: the ended job is not judged and no file
    // starts until it is closed.
    void anOpenBoxHoldsTheRun() {
        Rig r;
        r.view.files = {r.ws.source("one.flv", SlowConverts("0.5")),
                        r.ws.source("two.flv", kConverts)};
        bool heldWhileOpen = false;
        r.when("(1/2)", 20, [&] {
            r.dialogs.setNextAnswer([&] {
                // The user takes their time: the job ends meanwhile.
                const bool ended = QTest::qWaitFor([&] { return r.run.encoderIdle(); }, 5000);
                QTest::qWait(300);
                heldWhileOpen = ended && r.view.counterCaptions.size() == 1 &&
                                r.ws.calls().size() == 1 && r.dialogs.messages().size() == 1;
                return MsgAnswer::Cancel;
            });
            r.run.requestStop();
        });
        QVERIFY(r.runToEnd());
        QVERIFY(heldWhileOpen);
        QCOMPARE(r.lastMessage().text,
                 doneText(r.messages, 2, "完成2:\r" + r.view.files[0] + "\r" + r.view.files[1]));
    }

    // A language switch during the run: the next file's line takes the reset channels, its
    // counter the new caption, and the completion message the new texts.
    void languageSwitchDuringARun() {
        Rig r;
        r.view.current.channelIndex = 1;
        r.view.files = {r.ws.source("one.flv", SlowConverts("0.4")),
                        r.ws.source("two.flv", kConverts)};
        r.when("(1/2)", 20, [&] {
            r.messages.convertingCaption = "Converting";
            r.messages[Message::Done] = "Done";
            r.view.current.channelIndex = 0;
        });
        QVERIFY(r.runToEnd());
        const auto calls = r.ws.calls();
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls[0].value(calls[0].indexOf("-ac") + 1), QString("1"));
        QCOMPARE(calls[1].value(calls[1].indexOf("-ac") + 1), QString("2"));
        QCOMPARE(r.view.counterCaptions.value(1), QString("Converting(2/2):"));
        QCOMPARE(r.lastMessage().title, QString("Done"));
        QVERIFY(r.lastMessage().text.contains("\rDone2:\r"));
    }

    // Converting x.mp3 to MP3 in its own folder with Overwrite keeps the source.
    void aSourceIsNeverOverwritten() {
        Rig r;
        r.view.current.policy = ConflictPolicy::Overwrite;
        r.view.current.format = OutputFormat::Mp3;
        const QString self = r.ws.source("song.mp3", kFails);  // fails: clean-up must spare it
        r.view.current.outputFolder = r.ws.sources;
        r.view.files = {self};
        QVERIFY(r.runToEnd());
        QCOMPARE(ReadFile(self), QByteArray(kFails));
        QCOMPARE(r.ws.calls().value(0).last(), r.ws.sources + "song_new.mp3");
        QVERIFY(!QFileInfo::exists(r.ws.sources + "song_new.mp3"));
    }

    // Errors of the system are shown with the path and the reason; one file's error fails
    // that file only, and the window always ends Idle with no encoder.
    void systemErrors() {
        {
            Rig r;
            r.files.noTempFolder = true;
            r.view.files = {r.ws.source("a.flv", kConverts)};
            r.run.start();
            QCOMPARE(r.dialogs.shown.size(), 1);
            QCOMPARE(r.dialogs.shown[0].title, r.messages[Message::Error]);
            QVERIFY(r.dialogs.shown[0].text.contains("No space left"));
            QVERIFY(!r.run.isRunning() && r.run.encoderIdle() && r.view.runningChanges.isEmpty());
        }
        {
            Rig r;  // a target that cannot be deleted: that file fails, the next one runs
            r.view.current.policy = ConflictPolicy::Overwrite;
            r.view.files = {r.ws.source("stuck.flv", kConverts),
                            r.ws.source("fine.flv", kConverts)};
            WriteFile(r.ws.out("stuck.avi"), "kept");
            r.files.undeletable.insert(r.ws.out("stuck.avi"));
            QVERIFY(r.runToEnd());
            const auto boxes = r.dialogs.messages();
            QCOMPARE(boxes.size(), 2);
            QCOMPARE(boxes[0].title, r.messages[Message::Error]);
            QCOMPARE(boxes[0].text, Shown(r.ws.out("stuck.avi")) + "\rOperation not permitted");
            QCOMPARE(ReadFile(r.ws.out("stuck.avi")), QByteArray("kept"));
            QCOMPARE(boxes[1].text,
                     doneText(r.messages, 2,
                              "完成1:\r" + r.view.files[1] + "\r错误1:\r" + r.view.files[0]));
        }
        {
            Rig r;  // the script cannot be written, then the interpreter cannot start
            const QString a = r.ws.source("a.flv", kConverts);
            const QString b = r.ws.source("b.flv", kConverts);
            r.view.files = {a};
            QVERIFY(r.runToEnd());  // the temp folder is made once, at the first run
            r.files.unwritable.insert(r.run.tempFolder() + "tmp.bat");
            r.view.files = {a, b};
            QVERIFY(r.runToEnd());
            auto boxes = r.dialogs.messages();
            QCOMPARE(boxes.size(), 4);
            QCOMPARE(boxes[1].title, r.messages[Message::Error]);
            QCOMPARE(boxes[1].text,
                     Shown(r.run.tempFolder() + "tmp.bat") + "\rRead-only file system");
            QCOMPARE(boxes[2].text, boxes[1].text);
            QCOMPARE(boxes[3].text, doneText(r.messages, 2, "\r错误2:\r" + a + "\r" + b));
            QVERIFY(r.run.encoderIdle());

            r.files.unwritable.clear();
            r.processes.cannotStart = true;
            r.view.files = {a};
            QVERIFY(r.runToEnd());
            boxes = r.dialogs.messages();
            QCOMPARE(boxes.size(), 6);
            QCOMPARE(boxes[4].text, ScriptInterpreter() + "\rexecve: Permission denied");
            QCOMPARE(boxes[5].text, doneText(r.messages, 1, "\r错误1:\r" + a));
            QCOMPARE(r.view.runningChanges, QStringList({"on", "off", "on", "off", "on", "off"}));
            QVERIFY(r.run.encoderIdle());
            // Nothing of the failed attempts stays in the temp folder.
            QCOMPARE(QDir(r.run.tempFolder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                     QStringList());
        }
    }

    // The job on its own: the last line comes from the whole log, read once more after the
    // end; leftovers go before a file.
    void encoderJob() {
        Workspace ws;
        SystemFileSystem files;
        SystemProcesses processes;
        QTemporaryDir temp;
        EncoderJob job(files, processes);
        job.setTempFolder(temp.path() + "/");
        QCOMPARE(job.exitCode(), 0);

        WriteFile(job.scriptPath(), "old");
        WriteFile(job.logPath(), "old");
        QCOMPARE(job.deleteLeftovers(nullptr), QString());
        QVERIFY(!QFileInfo::exists(job.scriptPath()) && !QFileInfo::exists(job.logPath()));

        QStringList seen;
        connect(&job, &EncoderJob::logAdvanced, &job, [&] { seen.append(job.lastLogLine()); });
        bool ended = false;
        connect(&job, &EncoderJob::ended, &job, [&] { ended = true; });
        const QString source = ws.source(
            "job.flv", "err frame= 1 q=1 size= 1kB time=1 bitrate= 1kbits/s\\r\nexit 4\n");
        const QString line = ScriptPath(ws.program + "coder.dll") + " -i " + ScriptPath(source) +
                             " " + ScriptPath(ws.out("job.avi")) + " " +
                             ScriptErrorTo(job.logPath());
        QCOMPARE(job.launch(line, {}, nullptr), QString());
        QVERIFY(!job.idle());
        QCOMPARE(job.exitCode(), EncoderJob::kStillActive);
        QCOMPARE(ReadFile(job.scriptPath()).right(1), QByteArray("\n"));
        QVERIFY(QTest::qWaitFor([&] { return ended; }, 10000));
        QVERIFY(job.idle());
        QCOMPARE(job.exitCode(), 4);
        QCOMPARE(job.lastLogLine(), QString("frame= 1 q=1 size= 1kB time=1 bitrate= 1kbits/s"));
        QCOMPARE(seen.value(seen.size() - 1), job.lastLogLine());
        QVERIFY(!QFileInfo::exists(job.scriptPath()) && !QFileInfo::exists(job.logPath()));

        // A leftover that cannot go names itself.
        QVERIFY(QDir(temp.path()).mkdir("tmp"));
        QString path;
        QVERIFY(!job.deleteLeftovers(&path).isEmpty());
        QCOMPARE(path, job.logPath());
    }
};

QTEST_GUILESS_MAIN(TestBatchRun)
#include "test_batch_run.moc"
