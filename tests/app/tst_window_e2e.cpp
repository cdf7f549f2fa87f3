// SPDX-License-Identifier: GPL-3.0-or-later
// Whole conversions through the window, as a user makes them: real files, the real encoder and
// the real process and profile back ends; only the boxes and the browser are stand-ins.
#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "SystemBackEnds.h"
#include "app/Form1.h"
#include "app/FormViews.h"
#include "app/Widgets.h"
#include "convert/BatchRun.h"
#include "platform/fake/FakeBrowser.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeLinks.h"
#include "platform/paths/PathBytes.h"
#include "platform/qt/QtDialogs.h"

using namespace vm;

namespace {

bool run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        return false;
    }
    if (out) {
        *out = p.readAllStandardOutput();
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A short test picture with a tone, in the given FLV codecs.
bool makeFlv(const QString& path, const QString& video, const QString& audio) {
    return run(QStringLiteral("ffmpeg"), {"-v",
                                          "error",
                                          "-y",
                                          "-f",
                                          "lavfi",
                                          "-i",
                                          "testsrc=size=320x240:rate=25:duration=2",
                                          "-f",
                                          "lavfi",
                                          "-i",
                                          "sine=frequency=440:sample_rate=22050:duration=2",
                                          "-c:v",
                                          video,
                                          "-c:a",
                                          audio,
                                          "-ar",
                                          "22050",
                                          "-f",
                                          "flv",
                                          path});
}

struct Probe {
    QString container;
    QStringList codecs;  // in stream order
    int width = 0;
    int height = 0;
    int channels = 0;
    double duration = 0;
};

Probe probe(const QString& path) {
    QByteArray out;
    Probe result;
    if (!run(QStringLiteral("ffprobe"),
             {"-v", "error", "-print_format", "json", "-show_format", "-show_streams", path},
             &out)) {
        return result;
    }
    const QJsonObject root = QJsonDocument::fromJson(out).object();
    result.container = root["format"].toObject()["format_name"].toString();
    result.duration = root["format"].toObject()["duration"].toString().toDouble();
    for (const QJsonValue& s : root["streams"].toArray()) {
        const QJsonObject stream = s.toObject();
        result.codecs << stream["codec_name"].toString();
        if (stream["codec_type"].toString() == QLatin1String("video")) {
            result.width = stream["width"].toInt();
            result.height = stream["height"].toInt();
        } else {
            result.channels = stream["channels"].toInt();
        }
    }
    return result;
}

}  // namespace

class WindowEndToEnd : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString program_, sources_, out_;
    SystemFileSystem files_;
    SystemProcesses processes_;
    FakeDialogs dialogs_;
    FakeLinks links_;
    FakeBrowser browser_;
    SystemProfileFiles profiles_;
    std::unique_ptr<Form1> form_;

    const Form1Controls& c() const { return form_->controls(); }

    // Presses Start and waits for the end of the run; returns the completion message.
    QString convert(const QStringList& paths, QRadioButton* format) {
        dialogs_.setNextFiles(paths);
        c().Command1->click();
        format->setChecked(true);
        c().Text2->setText(out_);
        const int before = int(dialogs_.messages().size());
        c().Command3->click();
        if (!QTest::qWaitFor([&] { return !form_->batchRun().isRunning(); }, 180000)) {
            return QStringLiteral("timed out");
        }
        // The last box is the completion message (a folder question may come first).
        const auto shown = dialogs_.messages();
        const QString summary = shown.size() > before ? shown.last().text : QString();
        c().Command8->click();  // clear the list for the next run (answered OK)
        return summary;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        program_ = dir_.filePath(QStringLiteral("program")) + QLatin1Char('/');
        sources_ = dir_.filePath(QStringLiteral("in")) + QLatin1Char('/');
        out_ = dir_.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(program_));
        QVERIFY(QDir().mkpath(sources_));
        QVERIFY(QFile::link(QStringLiteral(VM_BIN_DIR "/coder.dll"),
                            program_ + QStringLiteral("coder.dll")));

        form_ = std::make_unique<Form1>(
            Platform{files_, processes_, dialogs_, links_, browser_, profiles_}, program_);
        QVERIFY(form_->startUp());
    }

    // Qt cannot delete names that are not UTF-8; rm can.
    void cleanupTestCase() { QProcess::execute("rm", {"-rf", "--", dir_.path()}); }

    void threeFormats() {
        const QStringList paths = {sources_ + "talk.flv", sources_ + "song.flv",
                                   sources_ + "news.flv"};
        QVERIFY(makeFlv(paths[0], "flv", "libmp3lame"));
        QVERIFY(makeFlv(paths[1], "libx264", "aac"));
        QVERIFY(makeFlv(paths[2], "flv", "nellymoser"));

        const struct {
            QRadioButton* option;
            QString ext;
            QString container;
            QStringList codecs;
        } formats[] = {
            {c().Option1, ".avi", "avi", {"mpeg4", "mp3"}},
            {c().Option2, ".wmv", "asf", {"wmv2", "wmav2"}},
            {c().Option8, ".mp3", "mp3", {"mp3"}},
        };
        for (const auto& f : formats) {
            const QString summary = convert(paths, f.option);
            QCOMPARE(summary, QStringLiteral("转换已完成，共3个文件，其中:\r\r完成3:\r") +
                                  paths.join(QLatin1Char('\r')));
            for (const QString& source : paths) {
                const QString base = QFileInfo(source).completeBaseName();
                const Probe p = probe(out_ + QLatin1Char('/') + base + f.ext);
                QVERIFY2(p.container.startsWith(f.container), qPrintable(p.container));
                QCOMPARE(p.codecs, f.codecs);
                QCOMPARE(p.channels, 2);
                if (f.ext != QLatin1String(".mp3")) {
                    QCOMPARE(p.width, 320);
                    QCOMPARE(p.height, 240);
                }
                const double expected = probe(source).duration;
                QVERIFY2(qAbs(p.duration - expected) <= 0.05 * expected,
                         qPrintable(QString::number(p.duration)));
            }
        }
        // The status area and the bars are cleared when the run ends.
        QVERIFY(c().Label22->text().isEmpty());
        QVERIFY(c().Command3->isEnabled());
        QVERIFY(form_->encoderIdle());
    }

    void brokenSourceAndAwkwardNames() {
        const QString garbage = sources_ + QStringLiteral("broken.flv");
        QFile f(garbage);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, '\x5a'));
        f.close();
        const QString awkward =
            sources_ + QStringLiteral("it's \"quoted\" $HOME `id` 视频 ; & | \\ x.flv");
        QVERIFY(makeFlv(awkward, "flv", "libmp3lame"));

        c().Option4->setChecked(true);  // overwrite what the first test made
        const QString summary = convert({garbage, awkward}, c().Option1);
        QCOMPARE(summary, QStringLiteral("转换已完成，共2个文件，其中:\r\r完成1:\r") + awkward +
                              QStringLiteral("\r错误1:\r") + garbage);
        QVERIFY(!QFile::exists(out_ + QStringLiteral("/broken.avi")));
        const Probe p = probe(out_ + QLatin1Char('/') + QFileInfo(awkward).completeBaseName() +
                              QStringLiteral(".avi"));
        QCOMPARE(p.codecs, QStringList({"mpeg4", "mp3"}));
    }

    // Files from old archives, named in GBK, Big5, Shift-JIS and Windows-1252 bytes or in bytes
    // of no encoding, dropped onto the list and converted into a folder chosen with Browse whose
    // name is not UTF-8 either: the list and the summary read as the names were written, and
    // each target keeps its source's bytes.
    void legacyNames() {
        const QByteArray root = vm::PathToBytes(dir_.path());
        const QString folder = PathFromBytes(root + "/\xbe\xc9\xb5\xb5/");  // GBK
        const QString out = PathFromBytes(root + "/\x8f\x6f\x97\xcd");      // Shift-JIS
        QCOMPARE(files_.makeDir(folder), QString());
        const QString clip = dir_.filePath(QStringLiteral("clip.flv"));
        QVERIFY(makeFlv(clip, "flv", "libmp3lame"));
        QFile clipFile(clip);
        QVERIFY(clipFile.open(QIODevice::ReadOnly));
        const QByteArray bytes = clipFile.readAll();
        const QList<QPair<QByteArray, QString>> names = {
            {"\xb5\xe7\xd3\xb0\xc6\xac\xb6\xce", QStringLiteral("电影片段")},
            {"\xb9\x71\xbc\x76\xa4\xf9\xac\x71", QStringLiteral("電影片段")},
            {"\x89\x66\x89\xe6\x82\xcc\x83\x65\x83\x58\x83\x67", QStringLiteral("映画のテスト")},
            {"Caf\xe9 M\xfcller", QStringLiteral("Café Müller")},
            {"\x80\xff\x81\xfe\x8d", QStringLiteral("\\x80\\xFF\\x81\\xFE\\x8D")},
        };
        QList<QUrl> urls;
        QStringList shown;
        for (const auto& [name, text] : names) {
            const QString source = folder + PathFromBytes(name + ".flv");
            QCOMPARE(files_.writeFile(source, bytes), QString());
            urls.append(FileUrlFromPath(source));
            shown.append(dir_.path() + QStringLiteral("/旧档/") + text + QStringLiteral(".flv"));
        }
        auto* data = new QMimeData;
        data->setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(c().List1->viewport(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(c().List1->viewport(), &drop);
        delete data;
        QStringList listed;
        for (int i = 0; i < c().List1->count(); ++i) {
            listed.append(c().List1->item(i)->text());
        }
        QCOMPARE(listed, shown);

        dialogs_.setNextFolder(out);
        c().Command2->click();
        QCOMPARE(c().Text2->text(), dir_.path() + QStringLiteral("/出力/"));
        c().Text2->setText(c().Text2->text() + QStringLiteral("sub"));  // typed after it
        QCOMPARE(OutputFolderOf(c().Text2, form_->legacyEncoding()), out + QStringLiteral("/sub"));
        c().Text2->setText(dir_.path() + QStringLiteral("/出力/"));
        c().Option1->setChecked(true);
        const int before = int(dialogs_.messages().size());
        c().Command3->click();
        QVERIFY(QTest::qWaitFor([&] { return !form_->batchRun().isRunning(); }, 180000));
        const auto shownBoxes = dialogs_.messages();
        // The missing folder was asked about and made; then the summary.
        QCOMPARE(shownBoxes.size(), before + 2);
        QCOMPARE(shownBoxes.last().text,
                 QStringLiteral("转换已完成，共5个文件，其中:\r\r完成5:\r") +
                     shown.join(QLatin1Char('\r')));
        for (const auto& [name, text] : names) {
            const QString target = out + QLatin1Char('/') + PathFromBytes(name + ".avi");
            QVERIFY2(files_.fileSize(target) > 0, qPrintable(text));
        }
        c().Command8->click();
    }

    // A language chosen while a file converts: captions change at once, the files after it
    // take two channels again, and the completion message speaks the new language.
    void languageSwitchDuringARun() {
        QTemporaryDir dir;
        const QString program = dir.path() + QLatin1Char('/');
        for (const char* pack : {"zh-CN.INI", "en.INI"}) {
            QVERIFY(QFile::copy(QStringLiteral(VM_SOURCE_DIR "/packs/") + QLatin1String(pack),
                                program + QLatin1String(pack)));
        }
        // A stand-in encoder: notes its arguments, takes a moment, reports success.
        const QString calls = program + QStringLiteral("calls");
        QFile coder(program + QStringLiteral("coder.dll"));
        QVERIFY(coder.open(QIODevice::WriteOnly));
        coder.write("#!/bin/sh\necho \"$*\" >> '" + calls.toUtf8() +
                    "'\nsleep 0.5\nprintf 'video:1kB audio:1kB global headers:0kB muxing "
                    "overhead 1.0%%\\n' >&2\n");
        coder.close();
        coder.setPermissions(coder.permissions() | QFileDevice::ExeOwner);

        FakeDialogs dialogs;
        FakeBrowser browser;
        Form1 form(Platform{files_, processes_, dialogs, links_, browser, profiles_}, program);
        QVERIFY(form.startUp());
        const Form1Controls& c = form.controls();
        QCOMPARE(c.Combo7->currentText(), QStringLiteral("简体中文"));

        dialogs.setNextFiles({sources_ + "talk.flv", sources_ + "song.flv"});
        c.Command1->click();
        c.Text2->setText(dir.filePath(QStringLiteral("out")));
        c.Combo6->setCurrentIndex(1);  // mono
        c.Command3->click();
        QVERIFY(QTest::qWaitFor([&] { return !form.encoderIdle(); }, 10000));

        const int english = c.Combo7->findText(QStringLiteral("English"));
        c.Combo7->setCurrentIndex(english);
        emit c.Combo7->activated(english);
        const QString pack = program + QStringLiteral("en.INI");
        auto text = [&](const char* section, const char* key) {
            return profiles_.readString(pack, QLatin1String(section), QLatin1String(key), {});
        };
        QCOMPARE(c.Label21->text(), text("Tab4", "lab41"));
        QCOMPARE(CaptionOf(c.Command3), text("Tab4", "cmd41"));
        QCOMPARE(c.Combo6->currentText(), text("Tab3", "lis31"));

        QVERIFY(QTest::qWaitFor([&] { return !form.batchRun().isRunning(); }, 30000));
        QFile log(calls);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QVERIFY(lines[0].contains(" -ac 1 "));
        QVERIFY(lines[1].contains(" -ac 2 "));
        const auto summary = dialogs.messages().last();
        QCOMPARE(summary.title, text("Dialog", "msg6"));
        QVERIFY(summary.text.startsWith(text("Dialog", "msg9") + QLatin1Char('2')));
        QVERIFY(form.close());
    }

    // One whole run from the keyboard alone: the file comes from the command line, and the
    // boxes are Qt's own, each answered with Enter.
    void wholeRunFromTheKeyboard() {
        const QString source = sources_ + QStringLiteral("keys.flv");
        QVERIFY(makeFlv(source, "flv", "libmp3lame"));
        const QString out = dir_.filePath(QStringLiteral("keys out"));  // to be created

        QtDialogs boxes;
        FakeBrowser browser;
        Form1 form(Platform{files_, processes_, boxes, links_, browser, profiles_}, program_);
        boxes.setOwner(&form);
        QVERIFY(form.startUp());
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.AddGivenFiles({source});
        const Form1Controls& c = form.controls();

        QStringList answered;
        QPointer<QMessageBox> last;
        QTimer answer;
        answer.setInterval(20);
        connect(&answer, &QTimer::timeout, [&answered, &last] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            // The key goes where the focus is, once the box has it.
            if (box && box == QApplication::activeWindow() && box != last) {
                last = box;
                answered << box->text();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            }
        });
        answer.start();
        auto press = [](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
        };
        for (int i = 0; i < 3; ++i) {  // from the resource page back to the save options
            press(Qt::Key_PageUp, Qt::ControlModifier);
        }
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), c.Text2);
        press(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), out);
        press(Qt::Key_Tab, Qt::ControlModifier);  // the parameters: MP3
        press(Qt::Key_Tab);
        press(Qt::Key_Right);
        press(Qt::Key_Right);
        QVERIFY(c.Option8->isChecked());
        press(Qt::Key_Tab, Qt::ControlModifier);  // the conversion: Start
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), c.Command3);
        press(Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([&] { return answered.size() == 2; }, 120000));

        QCOMPARE(answered[0], QStringLiteral("目标文件夹不存在，是否创建？"));
        QCOMPARE(answered[1], QStringLiteral("转换已完成，共1个文件，其中:\n\n完成1:\n") + source);
        const Probe p = probe(out + QStringLiteral("/keys.mp3"));
        QCOMPARE(p.codecs, QStringList({"mp3"}));
        QVERIFY(!form.batchRun().isRunning());
        QCOMPARE(form.focusWidget(), c.Command3);  // the window's, whether active again or not
        QVERIFY(form.close());
    }
};

QTEST_MAIN(WindowEndToEnd)
#include "tst_window_e2e.moc"
