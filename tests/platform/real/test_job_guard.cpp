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
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
}

QByteArray readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
}

// A temp folder as a copy of the program leaves it: private, with a script and a log.
QString leftFolder(const QString& base, const QString& name) {
    const QString folder = base + "/" + name;
    if (!QDir().mkpath(folder) || ::chmod(QFile::encodeName(folder).constData(), 0700) != 0) {
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

}  // namespace

class TestJobGuard : public QObject {
    Q_OBJECT

  private slots:
    // Whatever ends the program, its encoder is told to stop (and can clean up), no process
    // of the job is left, and the temp folder is gone.
    void theJobEndsWithTheProgram_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP at logout") << int(SIGHUP);
        QTest::newRow("crash") << int(SIGSEGV);
        QTest::newRow("SIGKILL") << int(SIGKILL);
    }
    void theJobEndsWithTheProgram() {
        QFETCH(int, signal);
        QTemporaryDir runtime;
        QTemporaryDir work;
        const QString encoder = work.filePath("coder.dll");
        writeText(encoder,
                  "#!/bin/sh\ntrap 'echo yes > \"" + work.filePath("asked").toUtf8() +
                      "\"; exit 1' TERM\necho $$ > \"" + work.filePath("pid").toUtf8() +
                      "\"\nwhile :; do sleep 0.05; done\n",
                  0755);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        program.setProcessEnvironment(env);
        program.start(QCoreApplication::applicationDirPath() + "/guarded_program", {encoder});
        QVERIFY(program.waitForReadyRead(10000));
        const QString temp = QString::fromUtf8(program.readLine().trimmed());
        QVERIFY2(temp.startsWith(runtime.path() + "/vidmorf-"), qPrintable(temp));
        QTRY_VERIFY_WITH_TIMEOUT(readText(work.filePath("pid")).toLongLong() > 0, 10000);
        const qint64 pid = readText(work.filePath("pid")).toLongLong();
        QVERIFY(QFileInfo::exists(temp + "tmp"));

        QVERIFY(::kill(pid_t(program.processId()), signal) == 0);
        QVERIFY(program.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(!alive(pid), 10000);
        QCOMPARE(readText(work.filePath("asked")), QByteArray("yes"));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(temp), 10000);
    }

    // A start removes the temp folders of copies that no longer run, and nothing else: not
    // the folder of a copy that runs, not another user's, not a link, not a folder that is not
    // private.
    void abandonedTempFoldersGo() {
        QTemporaryDir runtime;
        QTemporaryDir elsewhere;
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());

        const QString dead = leftFolder(runtime.path(), "vidmorf-dead01");
        const QString running = leftFolder(runtime.path(), "vidmorf-alive1");
        const QString open = leftFolder(runtime.path(), "vidmorf-open01");
        const QString other = leftFolder(runtime.path(), "keepme-abcdef");
        const QString target = leftFolder(elsewhere.path(), "vidmorf-target");
        const QString foreign = leftFolder(runtime.path(), "vidmorf-user02");
        const bool asRoot = ::geteuid() == 0;
        if (asRoot) {
            QVERIFY(::chown(QFile::encodeName(foreign).constData(), 65534, 65534) == 0);
        }
        QVERIFY(!dead.isEmpty() && !running.isEmpty() && !open.isEmpty() && !other.isEmpty());
        QVERIFY(::chmod(QFile::encodeName(open).constData(), 0755) == 0);
        QVERIFY(QFile::link(target, runtime.filePath("vidmorf-link01")));
        const int lock = ::open(QFile::encodeName(running).constData(), O_RDONLY | O_DIRECTORY);
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
            QVERIFY(QFileInfo::exists(other + "/tmp"));
            QVERIFY(QFileInfo::exists(target + "/tmp.bat"));
            QVERIFY(QFileInfo(runtime.filePath("vidmorf-link01")).isSymLink());
        }
        // Given up without being removed (the object went): the next start takes it.
        ::close(lock);
        vm::RemoveAbandonedTempFolders();
        QVERIFY(!QFileInfo::exists(made));
        QVERIFY(!QFileInfo::exists(running));

        if (saved.isNull()) {
            qunsetenv("XDG_RUNTIME_DIR");
        } else {
            qputenv("XDG_RUNTIME_DIR", saved);
        }
    }
};

QTEST_GUILESS_MAIN(TestJobGuard)
#include "test_job_guard.moc"
