// SPDX-License-Identifier: GPL-3.0-or-later
// Whole runs with the real encoder: small sources made with ffmpeg, outputs checked with
// ffprobe; names full of characters that a shell would otherwise act on.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "RunSupport.h"
#include "convert/BatchRun.h"
#include "i18n/MessageTable.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/paths/PathBytes.h"
#include "platform/paths/ReadablePath.h"

using namespace vm;
using namespace vm::test;

namespace {

QString probe(const QString& file, const QString& entries) {
    QProcess p;
    p.start("ffprobe",
            {"-v", "error", "-show_entries", entries, "-of", "default=noprint_wrappers=1", file});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// A whole run with the real back ends and answered boxes.
struct RealRun {
    SystemFileSystem files;
    SystemProcesses processes;
    FakeDialogs dialogs;
    TestView view;
    MessageTable messages;
    BatchRun run;
    RealRun(const QString& program, const QString& folder, const QStringList& sources,
            ConflictPolicy policy)
        : run(files, processes, dialogs, view, messages, program) {
        LoadBuiltInMessages(messages);
        view.current.outputFolder = folder;
        view.current.policy = policy;
        view.files = sources;
    }
};

// A file's permissions and bytes, to tell whether anything of it changed.
QByteArray FileState(const QString& path) {
    return QByteArray::number(int(QFile::permissions(path)), 16) + ' ' + ReadFile(path);
}

// A name that the shell and cmd.exe would act on, keeping only the characters that this
// system allows in a name (Windows refuses quotes).
QString Awkward(const QString& folder, QString name) {
    if (!SystemFileSystem().nameProblem(folder + name).isEmpty()) {
        name.remove(QLatin1Char('"'));
    }
    return folder + name;
}

constexpr auto kOwnerReads = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;

}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
    QTemporaryDir root_;
    QString program_;
    QStringList sources_;
    QString garbage_;

  private slots:
    void initTestCase() {
        // The encoder in a program folder whose name needs quoting.
        program_ = Awkward(root_.path(), "/prog $HOME %PATH% ^! `x` \"q\" 程序") + "/";
        QVERIFY(QDir().mkpath(program_));
        QVERIFY(QFile::copy(VM_CODER_PATH, program_ + "coder.dll"));
        QVERIFY(QFile::setPermissions(program_ + "coder.dll",
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner));
        const QString folder = root_.filePath("in; rm -rf x & 目录/");
        QVERIFY(QDir().mkpath(folder));
        int n = 0;
        for (const char* name : {"clip one.flv", "q\"uote's $x `y` \\z.flv", "中文 ü.flv"}) {
            const QString path = folder + QString::fromUtf8(name);
            QProcess ff;
            ff.start("ffmpeg",
                     {"-v", "error", "-y", "-f", "lavfi", "-i",
                      QString("testsrc=size=160x120:rate=15:duration=2"), "-f", "lavfi", "-i",
                      QString("sine=frequency=%1:duration=2").arg(300 + 100 * n++), "-c:v", "flv",
                      "-c:a", "libmp3lame", "-ar", "22050", "-shortest", path});
            QVERIFY(ff.waitForFinished(60000));
            QCOMPARE(ff.exitCode(), 0);
            sources_.append(path);
        }
        garbage_ = folder + "garbage.flv";
        WriteFile(garbage_, QByteArray(5000, '\x5a'));
    }

    void convertsToEachFormat_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("container");
        QTest::newRow("avi") << int(OutputFormat::Avi) << ".avi"
                             << "avi";
        QTest::newRow("wmv") << int(OutputFormat::Wmv) << ".wmv"
                             << "asf";
        QTest::newRow("mp3") << int(OutputFormat::Mp3) << ".mp3"
                             << "mp3";
    }
    void convertsToEachFormat() {
        QFETCH(int, format);
        QFETCH(QString, extension);
        QFETCH(QString, container);
        const QString out = Awkward(root_.path(), "/out \"" + extension + "\" $PATH %OS% 出") + "/";
        QVERIFY(QDir().mkpath(out));

        SystemFileSystem files;
        SystemProcesses processes;
        FakeDialogs dialogs;
        TestView view;
        MessageTable messages;
        LoadBuiltInMessages(messages);
        view.current.format = OutputFormat(format);
        view.current.outputFolder = out;
        view.files = sources_;
        view.files.insert(1, garbage_);
        BatchRun run(files, processes, dialogs, view, messages, program_);
        run.start();
        QVERIFY(QTest::qWaitFor([&] { return !run.isRunning(); }, 120000));

        QCOMPARE(dialogs.messages().size(), 1);
        QCOMPARE(dialogs.messages()[0].text,
                 messages[Message::FinishedInAll] + "4" + messages[Message::FilesOfWhich] +
                     ":\r\r" + messages[Message::Done] + "3:\r" + sources_[0] + "\r" + sources_[1] +
                     "\r" + sources_[2] + "\r" + messages[Message::Error] + "1:\r" + garbage_);
        QVERIFY(!QFileInfo::exists(out + "garbage" + extension));
        for (const QString& source : sources_) {
            const QString target = out + BaseNameOf(source) + extension;
            QVERIFY2(QFileInfo(target).size() > 0, qPrintable(target));
            QCOMPARE(probe(target, "format=format_name"), "format_name=" + container);
            const QString streams =
                probe(target, "stream=codec_type,sample_rate,channels,width,height");
            QVERIFY2(streams.contains("codec_type=audio") &&
                         streams.contains("sample_rate=22050") && streams.contains("channels=2"),
                     qPrintable(streams));
            if (format == int(OutputFormat::Mp3)) {
                QVERIFY(!streams.contains("codec_type=video"));
            } else {
                QVERIFY2(streams.contains("width=320") && streams.contains("height=240"),
                         qPrintable(streams));
            }
        }
    }

    // An output folder typed as a relative name that begins with '-' works like any other.
    void folderNamedLikeAnOption() {
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root_.path()));
        SystemFileSystem files;
        SystemProcesses processes;
        FakeDialogs dialogs;
        TestView view;
        MessageTable messages;
        LoadBuiltInMessages(messages);
        view.current.outputFolder = "-y";  // also a switch the encoder knows
        view.files = {sources_[0]};
        BatchRun run(files, processes, dialogs, view, messages, program_);
        run.start();
        const bool ended = QTest::qWaitFor([&] { return !run.isRunning(); }, 120000);
        QDir::setCurrent(saved);
        QVERIFY(ended);
        QCOMPARE(dialogs.messages().value(dialogs.messages().size() - 1).text,
                 messages[Message::FinishedInAll] + "1" + messages[Message::FilesOfWhich] +
                     ":\r\r" + messages[Message::Done] + "1:\r" + sources_[0]);
        QCOMPARE(probe(root_.filePath("-y/clip one.avi"), "format=format_name"),
                 QString("format_name=avi"));
    }

    // Force stop in the middle of a real conversion: no partial file is left, and with
    // Overwrite the file that was to be replaced stays exactly as it was.
    void forceStopLeavesNoPartialFile_data() {
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("to a new name") << false;
        QTest::newRow("over an existing file") << true;
    }
    void forceStopLeavesNoPartialFile() {
        QFETCH(bool, overwrite);
        const QString source = root_.filePath("long.flv");
        if (!QFileInfo::exists(source)) {
            QProcess ff;
            ff.start("ffmpeg",
                     {"-v", "error", "-y", "-f", "lavfi", "-i",
                      "testsrc=size=640x480:rate=25:duration=120", "-c:v", "flv", source});
            QVERIFY(ff.waitForFinished(120000));
            QCOMPARE(ff.exitCode(), 0);
        }
        QTemporaryDir out;
        const QString target = out.filePath("long.avi");
        if (overwrite) {
            WriteFile(target, "an earlier result");
            QVERIFY(QFile::setPermissions(target, kOwnerReads));
        }
        const QByteArray before = FileState(target);
        RealRun r(program_, out.path(), {source},
                  overwrite ? ConflictPolicy::Overwrite : ConflictPolicy::RenameAutomatically);
        r.view.current.frameSize = "640x480";
        r.run.start();
        QVERIFY(
            QTest::qWaitFor([&] { return !r.view.status(StatusField::Size).isEmpty(); }, 60000));
        QVERIFY(r.run.isRunning());
        r.run.forceStop();
        QVERIFY(QTest::qWaitFor([&] { return !r.run.isRunning(); }, 30000));
        QVERIFY(r.dialogs.messages().value(1).text.endsWith(r.messages[Message::Error] + "1:\r" +
                                                            source));
        QCOMPARE(QDir(out.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 overwrite ? QStringList({"long.avi"}) : QStringList());
        QCOMPARE(FileState(target), before);
    }

    // With Overwrite, a conversion that fails keeps the file it was to replace (bytes and
    // mode); one that succeeds replaces it.
    void overwriteReplacesOnlyWithACompleteFile() {
        QTemporaryDir out;
        const QString kept = out.filePath("garbage.avi");
        const QString replaced = out.filePath(BaseNameOf(sources_[0]) + ".avi");
        for (const QString& old : {kept, replaced}) {
            WriteFile(old, "an earlier good result");
            QVERIFY(QFile::setPermissions(old, kOwnerReads | QFile::ReadOther));
        }
        const QByteArray before = FileState(kept);
        RealRun r(program_, out.path(), {garbage_, sources_[0]}, ConflictPolicy::Overwrite);
        r.run.start();
        QVERIFY(QTest::qWaitFor([&] { return !r.run.isRunning(); }, 120000));
        QCOMPARE(r.dialogs.messages().size(), 1);
        QVERIFY(r.dialogs.messages()[0].text.endsWith(
            r.messages[Message::Done] + "1:\r" + sources_[0] + "\r" + r.messages[Message::Error] +
            "1:\r" + garbage_));
        QCOMPARE(FileState(kept), before);
        QCOMPARE(probe(replaced, "format=format_name"), QString("format_name=avi"));
        QCOMPARE(QDir(out.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 2);
    }

    // Names from old archives (GBK, Big5, Shift-JIS and Windows-1252 bytes, and bytes of no
    // encoding at all) in folders named the same way convert like any other: each target keeps
    // its source's bytes (an existing one is renamed around), and the summary and the details,
    // the encoder's own words included, read as the names were written.
    void legacyNamesConvert() {
        SystemFileSystem files;
        const QByteArray root = vm::PathToBytes(root_.path());
        const QString folder = PathFromBytes(root + "/\xbe\xc9\xb5\xb5/");  // GBK
        const QString shownFolder = root_.path() + QStringLiteral("/旧档/");
        const QString out = PathFromBytes(root + "/\x8f\x6f\x97\xcd/");  // Shift-JIS
        QCOMPARE(files.makeDir(folder), QString());
        QCOMPARE(files.makeDir(out), QString());
        QFile clipFile(sources_[0]);
        QVERIFY(clipFile.open(QIODevice::ReadOnly));
        const QByteArray clip = clipFile.readAll();
        const struct {
            QByteArray bytes;
            QString shown;
        } names[] = {
            {"\xb5\xe7\xd3\xb0\xc6\xac\xb6\xce", QStringLiteral("电影片段")},
            {"\xb9\x71\xbc\x76\xa4\xf9\xac\x71", QStringLiteral("電影片段")},
            {"\x89\x66\x89\xe6\x82\xcc\x83\x65\x83\x58\x83\x67", QStringLiteral("映画のテスト")},
            {"Caf\xe9 M\xfcller", QStringLiteral("Café Müller")},
            {"\x80\xff\x81\xfe\x8d", QStringLiteral("\\x80\\xFF\\x81\\xFE\\x8D")},
        };
        QStringList sources;
        QString doneList;
        for (const auto& name : names) {
            sources.append(folder + PathFromBytes(name.bytes + ".flv"));
            QCOMPARE(files.writeFile(sources.last(), clip), QString());
            doneList += "\r" + shownFolder + name.shown + ".flv";
        }
        const QString broken = folder + PathFromBytes("\xbb\xb5.flv");  // GBK
        QCOMPARE(files.writeFile(broken, QByteArray(5000, '\x5a')), QString());
        const QString taken = out + PathFromBytes(names[0].bytes + ".avi");
        QCOMPARE(files.writeFile(taken, "someone's"), QString());

        SystemProcesses processes;
        FakeDialogs dialogs;
        TestView view;
        MessageTable messages;
        LoadBuiltInMessages(messages);
        view.current.outputFolder = out;
        view.files = sources + QStringList{broken};
        BatchRun run(files, processes, dialogs, view, messages, program_);
        run.start();
        QVERIFY(QTest::qWaitFor([&] { return !run.isRunning(); }, 120000));

        QCOMPARE(dialogs.messages().size(), 1);
        const auto summary = dialogs.messages().first();
        QCOMPARE(summary.text, messages[Message::FinishedInAll] + "6" +
                                   messages[Message::FilesOfWhich] + ":\r\r" +
                                   messages[Message::Done] + "5:" + doneList + "\r" +
                                   messages[Message::Error] + "1:\r" + shownFolder + "坏.flv");
        // The encoder names the file in its reason, read the same way.
        QVERIFY2(summary.details.startsWith(shownFolder + "坏.flv: ") &&
                     summary.details.count(shownFolder + "坏.flv") == 2,
                 qPrintable(summary.details));
        QCOMPARE(files.fileSize(taken), 9);
        QStringList targets{PathFromBytes(names[0].bytes + "_new.avi")};
        for (size_t i = 1; i < std::size(names); ++i) {
            targets.append(PathFromBytes(names[i].bytes + ".avi"));
        }
        for (const QString& target : targets) {
            QVERIFY2(files.fileSize(out + target) > 0,
                     qPrintable(ReadablePath(target, kBuiltInLegacyEncoding)));
        }
    }

    // Qt cannot delete names that are not UTF-8; rm can.
    void cleanupTestCase() { QProcess::execute("rm", {"-rf", "--", root_.path()}); }

  private:
    static QString BaseNameOf(const QString& path) {
        const QString name = path.mid(path.lastIndexOf('/') + 1);
        return name.left(name.size() - 4);
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
