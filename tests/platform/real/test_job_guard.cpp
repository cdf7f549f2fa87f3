// SPDX-License-Identifier: GPL-3.0-or-later
// Jobs end with the program however it ends, and temp folders of copies that no longer run
// go: a real program with a real job, ended by real signals.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/paths/PathBytes.h"
#include "platform/real/PosixFileSystem.h"
#include "platform/real/TempFolders.h"

namespace {

bool alive(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

void writeText(const QString& path, const QByteArray& text, int mode = 0644) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.close();
    QVERIFY(::chmod(vm::PathToBytes(path).constData(), mode_t(mode)) == 0);
}

QByteArray readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
}

// A folder with a script and a log in it, as a copy of the program leaves its temp folder.
QString leftFolder(const QString& base, const QString& name) {
    const QString folder = base + "/" + name;
    if (!QDir().mkpath(folder) || ::chmod(vm::PathToBytes(folder).constData(), 0700) != 0) {
        return {};
    }
    for (const char* file : {"tmp.bat", "tmp"}) {
        QFile f(folder + "/" + file);
        if (!f.open(QIODevice::WriteOnly)) {
            return {};
        }
    }
    return folder;
}

// A temp folder of a copy that ran and ended without removing it: made, marked, given up.
QString abandonedFolder() {
    int lock = -1;
    const std::string made = vm::MakeLockedTempFolder(&lock);
    if (made.empty()) {
        return {};
    }
    ::close(lock);
    const QString folder = vm::PathFromBytes(made.c_str());
    return leftFolder(folder.left(folder.lastIndexOf('/')),
                      folder.mid(folder.lastIndexOf('/') + 1));
}

void setRuntime(const QByteArray& value) {
    if (value.isNull()) {
        qunsetenv("XDG_RUNTIME_DIR");
    } else {
        qputenv("XDG_RUNTIME_DIR", value);
    }
}

}  // namespace

class TestJobGuard : public QObject {
    Q_OBJECT

  private slots:
    // Whatever ends the program, its encoder is told to stop (and can clean up), no process
    // of the job is left, and the temp folder is gone; an encoder that will not stop is ended.
    void theJobEndsWithTheProgram_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("wholeGroup");
        QTest::addColumn<bool>("stubborn");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false << false;
        QTest::newRow("SIGHUP at logout") << int(SIGHUP) << false << false;
        QTest::newRow("crash") << int(SIGSEGV) << false << false;
        QTest::newRow("SIGKILL") << int(SIGKILL) << false << false;
        // As a session manager or `timeout` ends a program: its whole process group at once.
        QTest::newRow("SIGKILL to the process group") << int(SIGKILL) << true << false;
        QTest::newRow("an encoder that goes on when asked to stop")
            << int(SIGKILL) << false << true;
    }
    void theJobEndsWithTheProgram() {
        QFETCH(int, signal);
        QFETCH(bool, wholeGroup);
        QFETCH(bool, stubborn);
        QTemporaryDir runtime;
        QTemporaryDir work;
        const QString encoder = work.filePath("coder.dll");
        const QByteArray onTerm =
            "echo yes > \"" + work.filePath("asked").toUtf8() + "\"" + (stubborn ? "" : "; exit 1");
        writeText(encoder,
                  "#!/bin/sh\ntrap '" + onTerm + "' TERM\necho $$ > \"" +
                      work.filePath("pid").toUtf8() + "\"\nwhile :; do sleep 0.05; done\n",
                  0755);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        program.setProcessEnvironment(env);
        program.setChildProcessModifier([] { ::setpgid(0, 0); });
        program.start(vm::ProgramFolder() + "/guarded_program", {encoder});
        QVERIFY(program.waitForReadyRead(10000));
        const QString temp = QString::fromUtf8(program.readLine().trimmed());
        QVERIFY2(temp.startsWith(runtime.path() + "/vidmorf-"), qPrintable(temp));
        QTRY_VERIFY_WITH_TIMEOUT(readText(work.filePath("pid")).toLongLong() > 0, 10000);
        const qint64 pid = readText(work.filePath("pid")).toLongLong();
        QVERIFY(QFileInfo::exists(temp + "tmp"));

        const pid_t pgid = pid_t(program.processId());
        QVERIFY(::kill(wholeGroup ? -pgid : pgid, signal) == 0);
        QVERIFY(program.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(!alive(pid), 10000);
        QCOMPARE(readText(work.filePath("asked")), QByteArray("yes"));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(temp), 10000);
    }

    // A start removes the temp folders of copies that no longer run, and nothing else: not
    // the folder of a copy that runs, not another user's, not a link, not a folder that is not
    // private, and no folder that lacks our mark or holds anything of the user's, with or
    // without $XDG_RUNTIME_DIR.
    void abandonedTempFoldersGo_data() {
        QTest::addColumn<bool>("runtimeSet");
        QTest::newRow("under XDG_RUNTIME_DIR") << true;
        QTest::newRow("under /tmp") << false;
    }
    void abandonedTempFoldersGo() {
        QFETCH(bool, runtimeSet);
        QTemporaryDir runtime;
        QTemporaryDir elsewhere;
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        setRuntime(runtimeSet ? runtime.path().toUtf8() : QByteArray());
        const QString base = vm::PathFromBytes(vm::TempFoldersBase().c_str());
        QCOMPARE(base, runtimeSet ? runtime.path() : QString("/tmp"));

        const QString dead = abandonedFolder();
        const QString running = abandonedFolder();
        const QString open = abandonedFolder();
        const QString crowded = abandonedFolder();  // the user put a file of theirs into it
        const QString foreign = abandonedFolder();
        QVERIFY(!dead.isEmpty() && !running.isEmpty() && !open.isEmpty() && !crowded.isEmpty());
        writeText(crowded + "/notes.txt", "mine");
        // The user's own folders, private and named like ours; one with a copy of a mark.
        QTemporaryDir user(base + "/vidmorf-temp-XXXXXX");
        QTemporaryDir copied(base + "/vidmorf-temp-XXXXXX");
        QVERIFY(user.isValid() && copied.isValid());
        for (const QString& folder : {user.path(), copied.path()}) {
            QVERIFY(::chmod(vm::PathToBytes(folder).constData(), 0700) == 0);
            writeText(folder + "/chapter1.txt", "notes");
        }
        QVERIFY(QFile::copy(dead + "/.vidmorf-temp", copied.path() + "/.vidmorf-temp"));
        QDir(copied.path()).remove("chapter1.txt");
        const bool asRoot = ::geteuid() == 0;
        if (asRoot) {
            QVERIFY(::chown(vm::PathToBytes(foreign).constData(), 65534, 65534) == 0);
        }
        QVERIFY(::chmod(vm::PathToBytes(open).constData(), 0755) == 0);
        const QString target = leftFolder(elsewhere.path(), "target");
        const QString link = base + "/vidmorf-temp-link" + QString::number(10 + ::getpid() % 90);
        QVERIFY(QFile::link(target, link));
        const int lock = ::open(vm::PathToBytes(running).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX) == 0);
        QString made;
        {
            vm::PosixFileSystem files;
            QString error;
            made = files.makePrivateTempFolder(&error);
            QVERIFY2(!made.isEmpty(), qPrintable(error));

            vm::RemoveAbandonedTempFolders();
            QVERIFY(!QFileInfo::exists(dead));
            QVERIFY(QFileInfo::exists(running + "/tmp"));
            QVERIFY(QFileInfo::exists(made));  // ours, while we hold it
            QVERIFY(QFileInfo::exists(open + "/tmp"));
            QCOMPARE(QFileInfo::exists(foreign + "/tmp"), asRoot);
            QCOMPARE(readText(crowded + "/notes.txt"), QByteArray("mine"));
            QVERIFY(QFileInfo::exists(crowded + "/tmp"));
            QCOMPARE(readText(user.filePath("chapter1.txt")), QByteArray("notes"));
            QVERIFY(QFileInfo::exists(copied.filePath(".vidmorf-temp")));
            QVERIFY(QFileInfo::exists(target + "/tmp.bat"));
            QVERIFY(QFileInfo(link).isSymLink());
        }
        // Given up without being removed (the object went): the next start takes it.
        ::close(lock);
        vm::RemoveAbandonedTempFolders();
        QVERIFY(!QFileInfo::exists(made));
        QVERIFY(!QFileInfo::exists(running));
        QVERIFY(QFileInfo::exists(user.filePath("chapter1.txt")));

        QFile::remove(link);
        for (const QString& folder : {open, crowded, foreign}) {
            if (asRoot) {
                ::chown(vm::PathToBytes(folder).constData(), 0, 0);
            }
            QDir(folder).removeRecursively();
        }
        setRuntime(saved);
    }
};

QTEST_GUILESS_MAIN(TestJobGuard)
#include "test_job_guard.moc"
