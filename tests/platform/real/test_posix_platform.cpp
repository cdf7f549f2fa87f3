// SPDX-License-Identifier: GPL-3.0-or-later
// The POSIX back ends: files and folders, and scripts run in process groups of their own.
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "platform/paths/PathBytes.h"
#include "platform/real/PosixFileSystem.h"
#include "platform/real/ProcStat.h"
#include "platform/real/ShellProcesses.h"

using namespace vm;

namespace {

void writeText(const QString& path, const QByteArray& text, bool executable = false) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.close();
    if (executable) {
        QVERIFY(::chmod(vm::PathToBytes(path).constData(), 0755) == 0);
    }
}

// Running, not merely waiting to be reaped.
bool alive(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

qint64 readPid(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return 0;
    }
    return f.readAll().trimmed().toLongLong();
}

// A stand-in encoder: sleeps in short steps until killed, so that nothing lingers after it.
const QByteArray kSleeper = "#!/bin/sh\necho $$ > \"$1\"\nwhile :; do sleep 0.1; done\n";

}  // namespace

class TestPosixPlatform : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString at(const QString& name) const { return dir_.filePath(name); }

  private slots:
    void kindsOfEntries() {
        PosixFileSystem fs;
        writeText(at("file.bin"), QByteArray(1234, 'x'));
        QVERIFY(QDir(dir_.path()).mkdir("folder"));
        QVERIFY(QFile::link(at("nowhere"), at("dangling")));
        QVERIFY(QFile::link(at("file.bin"), at("link.bin")));

        QVERIFY(fs.exists(at("file.bin")) && fs.isFile(at("file.bin")) &&
                !fs.isDir(at("file.bin")));
        QVERIFY(fs.exists(at("folder")) && fs.isDir(at("folder")) && !fs.isFile(at("folder")));
        QVERIFY(fs.exists(at("dangling")) && !fs.isFile(at("dangling")));
        QVERIFY(!fs.exists(at("missing")) && !fs.isFile(at("missing")) && !fs.isDir(at("missing")));
        QVERIFY(!fs.exists(QString()));
        QCOMPARE(fs.fileSize(at("file.bin")), 1234);
        QCOMPARE(fs.fileSize(at("link.bin")), 1234);
        QCOMPARE(fs.fileSize(at("folder")), -1);
        QCOMPARE(fs.fileSize(at("missing")), -1);
    }

    void sameFileWhateverTheSpelling() {
        PosixFileSystem fs;
        writeText(at("same.flv"), "a");
        writeText(at("other.flv"), "a");
        QVERIFY(QFile::link(at("same.flv"), at("alias.flv")));
        QVERIFY(fs.sameFile(at("same.flv"), dir_.path() + "/./same.flv"));
        QVERIFY(fs.sameFile(at("same.flv"), dir_.path() + "//same.flv"));
        QVERIFY(fs.sameFile(at("same.flv"), at("alias.flv")));
        QVERIFY(!fs.sameFile(at("same.flv"), at("other.flv")));
        QVERIFY(!fs.sameFile(at("gone.flv"), at("gone.flv")));
    }

    void changesAndTheirErrors() {
        PosixFileSystem fs;
        QCOMPARE(fs.removeFile(at("never-there")), QString());
        QCOMPARE(fs.makeDir(at("made")), QString());
        QVERIFY(fs.isDir(at("made")));
        QVERIFY(!fs.makeDir(at("made")).isEmpty());            // exists already
        QVERIFY(!fs.makeDir(at("no/such/parent")).isEmpty());  // one level only
        QVERIFY(!fs.removeFile(at("made")).isEmpty());         // not a file
        QVERIFY(!fs.writeFile(at("no-dir/x.txt"), "x").isEmpty());

        const QString name = at("名字 with blank.txt");
        QCOMPARE(fs.writeFile(name, "first longer text"), QString());
        QCOMPARE(fs.writeFile(name, "second"), QString());  // truncates
        bool ok = false;
        QCOMPARE(fs.readFrom(name, 0, &ok), QByteArray("second"));
        QVERIFY(ok);
        QCOMPARE(fs.readFrom(name, 3, &ok), QByteArray("ond"));
        QCOMPARE(fs.readFrom(name, 6, &ok), QByteArray());
        QVERIFY(ok);
        QCOMPARE(fs.readFrom(at("missing"), 0, &ok), QByteArray());
        QVERIFY(!ok);
        QCOMPARE(fs.removeFile(name), QString());
        QVERIFY(!fs.exists(name));
    }

    // Whether Overwrite could replace a file is asked without touching it.
    void whetherAFileCouldBeReplaced() {
        PosixFileSystem fs;
        const QString folder = at("replace");
        const QString file = folder + "/old.avi";
        QVERIFY(QDir().mkpath(folder));
        writeText(file, "old");
        QCOMPARE(fs.replaceProblem(file), QString());
        QCOMPARE(fs.replaceProblem(folder + "/missing.avi"), QString("No such file or directory"));
        // Root may replace anything but a file marked immutable; others need the folder.
        const bool asRoot = ::geteuid() == 0;
        auto mark = [&](bool on) {
            if (!asRoot) {
                return ::chmod(vm::PathToBytes(folder).constData(), on ? 0555 : 0755) == 0;
            }
            const int fd = ::open(vm::PathToBytes(file).constData(), O_RDONLY);
            int flags = 0;
            bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
            ::close(fd);
            return done;
        };
        if (!mark(true)) {
            QSKIP("the disk takes no immutable mark here");
        }
        const auto unmark = qScopeGuard([&] { mark(false); });
        QCOMPARE(fs.replaceProblem(file),
                 QString(asRoot ? "Operation not permitted" : "Permission denied"));
        QCOMPARE(fs.readFrom(file, 0), QByteArray("old"));
    }

    void readFromFollowsAGrowingFile() {
        PosixFileSystem fs;
        const QString log = at("growing.log");
        QFile writer(log);
        QVERIFY(writer.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        qint64 offset = 0;
        QByteArray seen;
        for (int i = 0; i < 5; ++i) {
            writer.write(QByteArray::number(i) + "\r");
            const QByteArray piece = fs.readFrom(log, offset);
            offset += piece.size();
            seen += piece;
        }
        QCOMPARE(seen, QByteArray("0\r1\r2\r3\r4\r"));
    }

    void listsOrdinaryFilesCaseInsensitively() {
        PosixFileSystem fs;
        QTemporaryDir list;
        for (const char* name : {"b.INI", "A.ini", "c.ini", "B.ini", ".hidden.ini", "Ä.ini"}) {
            writeText(list.filePath(name), "x");
        }
        QVERIFY(QDir(list.path()).mkdir("d.ini"));
        QCOMPARE(fs.listFiles(list.path()),
                 QStringList({"A.ini", "B.ini", "b.INI", "c.ini", "Ä.ini"}));
        QCOMPARE(fs.listFiles(list.filePath("missing")), QStringList());
    }

    void privateTempFolders() {
        PosixFileSystem fs;
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        QString error;
        const QString a = fs.makePrivateTempFolder(&error);
        const QString b = fs.makePrivateTempFolder(&error);
        QVERIFY2(!a.isEmpty(), qPrintable(error));
        QVERIFY(a.startsWith(runtime.path() + "/") && a.endsWith('/'));
        QVERIFY(a != b);
        struct stat st;
        QVERIFY(::stat(vm::PathToBytes(a).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);

        qunsetenv("XDG_RUNTIME_DIR");
        const QString c = fs.makePrivateTempFolder(&error);
        QVERIFY(c.startsWith("/tmp/vidmorf-temp-"));
        QCOMPARE(fs.removeEmptyDir(c), QString());  // with its mark
        QVERIFY(!QFileInfo::exists(c));

        qputenv("XDG_RUNTIME_DIR", runtime.filePath("missing").toUtf8());
        QVERIFY(fs.makePrivateTempFolder(&error).isEmpty());
        QVERIFY(error.contains(runtime.filePath("missing")));
        if (saved.isNull()) {
            qunsetenv("XDG_RUNTIME_DIR");
        } else {
            qputenv("XDG_RUNTIME_DIR", saved);
        }
    }

    void scriptEndsThroughTheEventLoop() {
        ShellProcesses processes;
        const QString script = at("exit3.sh");
        // The interpreter leads a group of its own; stdin is empty.
        writeText(script, "cut -d' ' -f5 /proc/$$/stat > \"" + at("pgid").toUtf8() +
                              "\"\ncat > \"" + at("stdin").toUtf8() + "\"\nexit 3\n");
        QString error;
        const qint64 id = processes.startScript(script, &error);
        QVERIFY2(id > 0, qPrintable(error));
        int calls = 0;
        processes.onFinished(id, [&] { ++calls; });
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 10000);
        QVERIFY(!processes.isRunning(id));
        QCOMPARE(processes.exitCode(id), 3);
        QCOMPARE(readPid(at("pgid")), id);
        QCOMPARE(QFileInfo(at("stdin")).size(), 0);

        // Asked for after the end: still called once, but from the event loop.
        int late = 0;
        processes.onFinished(id, [&] { ++late; });
        QCOMPARE(late, 0);
        QTRY_COMPARE_WITH_TIMEOUT(late, 1, 5000);
        processes.release(id);
        QVERIFY(!processes.isRunning(id));
        QVERIFY(!processes.killInJob(id, "SH"));
    }

    void killInJobTouchesOnlyTheJob() {
        ShellProcesses processes;
        QTemporaryDir program;
        const QString coder = program.filePath("coder.dll");
        writeText(coder, kSleeper, true);

        // The same name outside the job.
        QProcess outside;
        outside.start(coder, {at("outside.pid")});
        QVERIFY(outside.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(readPid(at("outside.pid")) > 0, 5000);

        const QString script = at("job.sh");
        writeText(script, "\"" + coder.toUtf8() + "\" \"" + at("inside.pid").toUtf8() + "\"\n");
        QString error;
        const qint64 id = processes.startScript(script, &error);
        QVERIFY(id > 0);
        bool ended = false;
        processes.onFinished(id, [&] { ended = true; });
        QTRY_VERIFY_WITH_TIMEOUT(readPid(at("inside.pid")) > 0, 5000);
        const qint64 inside = readPid(at("inside.pid"));

        // The stand-in's own children bear its name until they start `sleep`.
        const QList<qint64> found = FindInProcessGroup(id, "CODER.DLL");
        QVERIFY(found.contains(inside) && !found.contains(readPid(at("outside.pid"))));
        QVERIFY(!processes.killInJob(id + 100000, "CODER.DLL"));
        QVERIFY(processes.killInJob(id, "CODER.DLL"));
        QTRY_VERIFY_WITH_TIMEOUT(ended, 10000);  // the interpreter ends with its encoder
        QVERIFY(!alive(inside));
        QVERIFY(alive(readPid(at("outside.pid"))));
        processes.release(id);

        outside.kill();
        outside.waitForFinished();
    }

    // A name may hold blanks and parentheses: the fields after it are still found.
    void processesWithOddNames() {
        ShellProcesses processes;
        QTemporaryDir program;
        const QString odd = program.filePath("a) 1 2 (b.dll");
        writeText(odd, kSleeper, true);
        const QString script = at("odd.sh");
        writeText(script, "\"" + odd.toUtf8() + "\" \"" + at("odd.pid").toUtf8() + "\"\n");
        const qint64 id = processes.startScript(script, nullptr);
        QVERIFY(id > 0);
        QTRY_VERIFY_WITH_TIMEOUT(readPid(at("odd.pid")) > 0, 5000);
        const pid_t pid = pid_t(readPid(at("odd.pid")));

        const std::optional<ProcStat> stat = ReadProcStat(pid);
        QVERIFY(stat);
        QCOMPARE(stat->name, std::string("a) 1 2 (b.dll"));
        QCOMPARE(stat->group, pid_t(id));
        QVERIFY(stat->state != 'Z' && stat->parent > 0);
        QVERIFY(FindInProcessGroup(id, "A) 1 2 (B.DLL").contains(pid));
        const std::vector<pid_t> pids = ProcessIds();
        QVERIFY(std::is_sorted(pids.begin(), pids.end()));
        QVERIFY(std::binary_search(pids.begin(), pids.end(), pid));
        processes.release(id);  // ends the job's group
    }

    // A job whose shell has not started the encoder yet is ended whole, so it never does.
    void killInJobBeforeTheEncoderStarts() {
        ShellProcesses processes;
        const QString script = at("late.sh");
        writeText(script, "sleep 1\ntouch \"" + at("late.started").toUtf8() + "\"\n");
        const qint64 id = processes.startScript(script, nullptr);
        QVERIFY(id > 0);
        bool ended = false;
        processes.onFinished(id, [&] { ended = true; });
        QVERIFY(processes.killInJob(id, "CODER.DLL"));
        QTRY_VERIFY_WITH_TIMEOUT(ended, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(ProcessGroupMembers(id).isEmpty(), 5000);  // reaped by init
        QTest::qWait(1200);
        QVERIFY(!QFileInfo::exists(at("late.started")));
        QVERIFY(!processes.killInJob(id, "CODER.DLL"));  // ended: nothing more to kill
        processes.release(id);
    }

    // The file a job holds open is told by its identity, which a rename keeps and a new file
    // of that name does not share; a file nobody in the job holds has none.
    void identitiesOfFilesAndOfWhatAJobWrites() {
        PosixFileSystem fs;
        ShellProcesses processes;
        const QString out = at("written.avi");
        const QString script = at("writer.sh");
        writeText(script, "exec 3>\"" + out.toUtf8() + "\"\nwhile :; do sleep 0.05; done\n");
        writeText(at("loose.avi"), "x");
        const qint64 id = processes.startScript(script, nullptr);
        QVERIFY(id > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!processes.heldFileIdentity(id, out).isEmpty(), 5000);
        const QString held = processes.heldFileIdentity(id, out);
        QCOMPARE(held, fs.fileIdentity(out));
        QVERIFY(processes.heldFileIdentity(id, at("loose.avi")).isEmpty());
        QVERIFY(processes.heldFileIdentity(id + 100000, out).isEmpty());

        QVERIFY(QFile::rename(out, at("moved.avi")));
        QCOMPARE(fs.fileIdentity(at("moved.avi")), held);
        writeText(out, "someone else's");
        QVERIFY(fs.fileIdentity(out) != held);
        QVERIFY(processes.heldFileIdentity(id, out).isEmpty());
        QVERIFY(fs.fileIdentity(at("nothing.avi")).isEmpty());
        processes.release(id);
    }

    // Names longer than the folder's limit are refused with the reason; the limit of a folder
    // still to be made is that of the nearest one above it.
    void nameLimit() {
        PosixFileSystem fs;
        const QString longest(255, QLatin1Char('a'));
        QCOMPARE(fs.nameProblem(at(longest)), QString());
        QCOMPARE(fs.nameProblem(at(longest + "b")), QString("File name too long"));
        QCOMPARE(fs.nameProblem(at("not/made/yet/" + longest + "b")),
                 QString("File name too long"));
        QCOMPARE(fs.nameProblem(at("not/made/yet/" + longest)), QString());
        // Bytes count, not characters: 128 two-byte letters are 256 bytes.
        QCOMPARE(fs.nameProblem(at(QString(128, QChar(0x00e9)))), QString("File name too long"));
        QCOMPARE(fs.nameProblem("relative.avi"), QString());
    }

    void releaseOfARunningJobEndsItsGroup() {
        const QString script = at("group.sh");
        writeText(script, "sleep 30 &\necho $! > \"" + at("child.pid").toUtf8() + "\"\nwait\n");
        qint64 child = 0;
        {
            ShellProcesses processes;
            const qint64 id = processes.startScript(script, nullptr);
            QVERIFY(id > 0);
            QTRY_VERIFY_WITH_TIMEOUT(readPid(at("child.pid")) > 0, 5000);
            child = readPid(at("child.pid"));
            QVERIFY(alive(child));
            processes.release(id);
        }
        // The orphan is reaped by init; give it a moment.
        QTRY_VERIFY_WITH_TIMEOUT(!alive(child), 5000);

        // Whatever still runs when the back end goes away is ended too.
        QFile::remove(at("child.pid"));
        {
            ShellProcesses processes;
            QVERIFY(processes.startScript(script, nullptr) > 0);
            QTRY_VERIFY_WITH_TIMEOUT(readPid(at("child.pid")) > 0, 5000);
            child = readPid(at("child.pid"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!alive(child), 5000);
    }
};

QTEST_GUILESS_MAIN(TestPosixPlatform)
#include "test_posix_platform.moc"
