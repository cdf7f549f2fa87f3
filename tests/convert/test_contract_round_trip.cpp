// SPDX-License-Identifier: GPL-3.0-or-later
// The window and the encoder read each other through the contract alone: the window's command
// line, as the shell splits it, parses in the encoder into the settings it was built from, and
// the encoder's own progress and closing lines read back in the window as what they say.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "EncoderProgress.h"
#include "Options.h"
#include "contract/EncoderContract.h"
#include "convert/ConversionSettings.h"
#include "convert/EncoderCommand.h"
#include "convert/OneFile.h"
#include "convert/WindowProgress.h"
#include "platform/ScriptLine.h"

using namespace vm;

namespace {

// The words of the window's line as the shell hands them to the program, the program's own
// name left out.
std::vector<std::string> ShellWords(const QString& line, const QString& folder) {
    QProcess shell;
    shell.setWorkingDirectory(folder);
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("words() { shift; printf '%s\\0' \"$@\"; }; words ") + line});
    shell.waitForFinished();
    std::vector<std::string> words;
    for (const QByteArray& word : shell.readAllStandardOutput().split('\0')) {
        words.emplace_back(word.constData(), size_t(word.size()));
    }
    words.pop_back();  // after the last NUL
    return words;
}

}  // namespace

class TestContractRoundTrip : public QObject {
    Q_OBJECT

  private slots:
    void windowLineParsesAsItsSettings() {
        if (ScriptInterpreter() != QLatin1String("/bin/sh")) {
            QSKIP("cmd.exe's reading of the line is tested with the Windows job back end");
        }
        QTemporaryDir dir;
        ConversionSettings settings;
        settings.videoBitrate = QStringLiteral("512");
        settings.frameRate = QStringLiteral("12.5");
        settings.frameSize = QStringLiteral("176x144");
        settings.audioBitrate = QStringLiteral("96");
        settings.sampleRate = QStringLiteral("44100");
        settings.channelIndex = 1;
        const QString folder = dir.path() + QLatin1Char('/');
        const QString source = folder + QStringLiteral("a \"b\" $c `d` \\e 视频.flv");
        const QString target = folder + QStringLiteral("out 'x'.avi");
        const auto words = ShellWords(
            BuildEncoderCommandLine(QStringLiteral("/nowhere/"), folder, source, target, settings),
            dir.path());
        const coder::Options o = coder::parseOptions(words);
        QCOMPARE(QString::fromStdString(o.input), source);
        QCOMPARE(QString::fromStdString(o.target), target);
        QCOMPARE(*o.videoKbps, 512.0);
        QCOMPARE(*o.frameRate, 12.5);
        QCOMPARE(o.frameSize->width, 176);
        QCOMPARE(o.frameSize->height, 144);
        QVERIFY(o.highQuality && o.deinterlace && o.overwrite);
        QCOMPARE(*o.audioKbps, 96.0);
        QCOMPARE(*o.sampleRate, 44100);
        QCOMPARE(*o.channels, 1);
    }

    void encoderLinesReadBackInTheWindow() {
        coder::OutputStats s;
        s.hasVideo = true;
        s.frames = 12345;
        s.q = 3.5;
        s.bytes = 2'000'000;
        s.time = 81.25;
        s.videoBytes = 1'500'000;
        s.audioBytes = 400'000;
        for (const bool last : {false, true}) {
            const auto line =
                ParseProgressLine(QString::fromStdString(coder::progressLine(s, last)));
            QVERIFY(line && line->video);
            QCOMPARE(line->frame.trimmed(), QStringLiteral("12345"));
            QCOMPARE(*SizeInKb(line->size), 1953.0);
            QCOMPARE(line->time.trimmed(), QStringLiteral("81.2"));
            QCOMPARE(line->bitrate.trimmed(), QStringLiteral("196.9"));
            QVERIFY(!EncoderFinished(QString::fromStdString(coder::progressLine(s, last))));
        }
        s.hasVideo = false;
        const auto audio = ParseProgressLine(QString::fromStdString(coder::progressLine(s, true)));
        QVERIFY(audio && !audio->video);
        QCOMPARE(*SizeInKb(audio->size), 1953.0);

        const QString stats = QString::fromStdString(coder::statsLine(s));
        QVERIFY(EncoderFinished(stats));
        QVERIFY(!ParseProgressLine(stats));
    }
};

QTEST_GUILESS_MAIN(TestContractRoundTrip)
#include "test_contract_round_trip.moc"
