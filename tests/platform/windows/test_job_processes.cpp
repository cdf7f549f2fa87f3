// SPDX-License-Identifier: GPL-3.0-or-later
// Jobs on Windows: cmd.exe runs the script in a Job Object; the encoder is found among the
// job's own processes by its image name; a job ends with the program that started it.
#include <windows.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "convert/EncoderCommand.h"
#include "platform/ScriptLine.h"
#include "platform/windows/JobProcesses.h"

using namespace vm;

namespace {

QString helper(const QString& name) {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

// A script that runs the helper under name with the arguments, each a path or a plain word.
QString writeScript(const QTemporaryDir& dir, const QString& name, const QString& arguments) {
    const QString script = dir.filePath(QStringLiteral("tmp.bat"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly)) {
        return {};
    }
    file.write(ScriptFileText(ScriptPath(helper(name)) + QLatin1Char(' ') + arguments));
    return script;
}

// A handle on the process whose id the sleeping helper wrote into pidFile, once it has.
HANDLE sleeper(const QString& pidFile) {
    for (int waited = 0; waited < 20000; waited += 50) {
        QFile file(pidFile);
        if (file.open(QIODevice::ReadOnly)) {
            const DWORD pid = file.readAll().toULong();
            if (pid != 0) {
                return OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
            }
        }
        QTest::qWait(50);
    }
    return nullptr;
}

bool endsWithin(HANDLE process, DWORD ms) {
    const bool ended = process && WaitForSingleObject(process, ms) == WAIT_OBJECT_0;
    if (process) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
    return ended;
}

bool underWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

QString sleepArguments(const QTemporaryDir& dir) {
    return QStringLiteral("sleep 60000 ") + ScriptPath(dir.filePath(QStringLiteral("pid")));
}

}  // namespace

class TestJobProcesses : public QObject {
    Q_OBJECT

  private slots:
    // The script's exit code is read, and the handler is called once, also when it is set
    // after the end.
    void exitCodeAndOneCall() {
        QTemporaryDir dir;
        JobProcesses processes;
        QString error;
        const qint64 id =
            processes.startScript(writeScript(dir, "job_helper.exe", "exit 3"), &error);
        QVERIFY2(id > 0, qPrintable(error));
        int calls = 0;
        processes.onFinished(id, [&] { ++calls; });
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 20000);
        QVERIFY(!processes.isRunning(id));
        QCOMPARE(processes.exitCode(id), 3);
        processes.onFinished(id, [&] { calls += 10; });
        QTRY_COMPARE(calls, 11);
        QTest::qWait(300);
        QCOMPARE(calls, 11);
        processes.release(id);
    }

    // The job's coder.dll is killed; one of the same name outside the job is not.
    void killsTheNamedProcessOfTheJobAlone() {
        QTemporaryDir dir;
        QProcess outside;
        outside.start(helper("coder.dll"), {"sleep", "60000", dir.filePath("outside")});
        QVERIFY(outside.waitForStarted());
        JobProcesses processes;
        const qint64 id =
            processes.startScript(writeScript(dir, "coder.dll", sleepArguments(dir)), nullptr);
        QVERIFY(id > 0);
        HANDLE coder = sleeper(dir.filePath("pid"));
        QVERIFY(coder);
        bool ended = false;
        processes.onFinished(id, [&] { ended = true; });
        QVERIFY(processes.killInJob(id, "CODER.DLL"));
        QVERIFY(endsWithin(coder, 10000));
        QTRY_VERIFY_WITH_TIMEOUT(ended, 10000);
        QCOMPARE(outside.state(), QProcess::Running);
        outside.kill();
        outside.waitForFinished();
    }

    // A job that has not started the encoder is ended whole, so that it never does.
    void aJobWithoutTheEncoderEndsWhole() {
        QTemporaryDir dir;
        JobProcesses processes;
        const qint64 id =
            processes.startScript(writeScript(dir, "job_helper.exe", sleepArguments(dir)), nullptr);
        HANDLE other = sleeper(dir.filePath("pid"));
        QVERIFY(other);
        QVERIFY(processes.killInJob(id, "CODER.DLL"));
        QVERIFY(endsWithin(other, 10000));
        QTRY_VERIFY_WITH_TIMEOUT(!processes.isRunning(id), 10000);
        QCOMPARE(processes.exitCode(id), -1);
        QVERIFY(!processes.killInJob(id, "CODER.DLL"));
    }

    // Releasing a running job, or the end of the program that started it, ends its processes.
    void jobsEndWithTheirOwner() {
        QTemporaryDir dir;
        {
            JobProcesses processes;
            const qint64 id = processes.startScript(
                writeScript(dir, "job_helper.exe", sleepArguments(dir)), nullptr);
            HANDLE process = sleeper(dir.filePath("pid"));
            QVERIFY(process);
            processes.release(id);
            QVERIFY(endsWithin(process, 10000));
        }
        QFile::remove(dir.filePath("pid"));
        QProcess owner;
        owner.start(helper("job_owner.exe"),
                    {writeScript(dir, "job_helper.exe", sleepArguments(dir))});
        QVERIFY(owner.waitForReadyRead(20000));
        QVERIFY(owner.readAll().trimmed().toLongLong() > 0);
        HANDLE process = sleeper(dir.filePath("pid"));
        QVERIFY(process);
        owner.kill();  // TerminateProcess: nothing of the owner's runs after this
        QVERIFY(owner.waitForFinished());
        QVERIFY(endsWithin(process, 10000));
    }

    // The encoder gets exactly its arguments through cmd.exe, whatever the names hold, and its
    // standard error lands in the log.
    void theLineReachesTheEncoderIntact() {
        QFETCH(QString, name);
        if (underWine() && ScriptFileText(name).startsWith("@chcp")) {
            QSKIP("Wine's cmd reads a script in the OEM code page, whatever chcp says");
        }
        QTemporaryDir root;
        const QString program = root.filePath("p " + name + "/");
        const QString temp = root.filePath("t " + name + "/");
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(temp));
        QVERIFY(QFile::copy(helper("coder.dll"), program + "coder.dll"));
        const QString source = root.filePath("s " + name + ".flv");
        const QString target = root.filePath("d " + name + ".avi");
        ConversionSettings settings;
        settings.frameRate = "\"" + name + "\"";
        QFile script(temp + "tmp.bat");
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(
            ScriptFileText(BuildEncoderCommandLine(program, temp, source, target, settings)));
        script.close();
        JobProcesses processes;
        QString error;
        const qint64 id = processes.startScript(temp + "tmp.bat", &error);
        QVERIFY2(id > 0, qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(!processes.isRunning(id), 20000);
        QFile args(program + "args");
        QVERIFY(args.open(QIODevice::ReadOnly));
        const QStringList got = QString::fromUtf8(args.readAll()).split('\n');
        QCOMPARE(got.value(1), QDir::toNativeSeparators(source));
        QCOMPARE(got.value(5), "'" + name + "'");  // a '"' in a value becomes '

        QCOMPARE(got.value(got.size() - 2), QDir::toNativeSeparators(target));
        QFile log(temp + "tmp");
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().trimmed(), QByteArray("logged"));
    }
    void theLineReachesTheEncoderIntact_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("signs") << QStringLiteral("%x% & ^y (z) !w! 100%");
        QTest::newRow("cjk") << QStringLiteral("中文 ü");
    }
};

QTEST_GUILESS_MAIN(TestJobProcesses)
#include "test_job_processes.moc"
