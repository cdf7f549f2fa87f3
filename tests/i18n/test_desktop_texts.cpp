// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the notification and of the failure reasons: read from a pack, with the
// built-in text wherever a pack leaves one out or breaks it.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "SystemBackEnds.h"
#include "i18n/DesktopTexts.h"

using namespace vm;

class TestDesktopTexts : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SystemProfileFiles ini_;

    QString pack(const QByteArray& dialog) {
        const QString path = dir_.filePath("p.INI");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return {};
        }
        f.write("[Info]\r\nLanguage=Test\r\n[Dialog]\r\n" + dialog);
        return path;
    }

  private slots:
    void packTextsAndTheirFallbacks() {
        const DesktopTexts builtIn = BuiltInDesktopTexts();
        const DesktopTexts none = ReadDesktopTexts(ini_, {});
        QCOMPARE(none.runEndedTitle, builtIn.runEndedTitle);
        QCOMPARE(none.silentReason, builtIn.silentReason);

        const DesktopTexts full = ReadDesktopTexts(
            ini_, pack("note1=Done\r\nnote2=%3 bad, %2 skipped, %1 good\r\nnote3=Stopped\r\n"
                       "note4=Silent\r\n"));
        QCOMPARE(full.runEndedTitle, QStringLiteral("Done"));
        QCOMPARE(full.runEndedBody, QStringLiteral("%3 bad, %2 skipped, %1 good"));
        QCOMPARE(full.stoppedReason, QStringLiteral("Stopped"));
        QCOMPARE(full.silentReason, QStringLiteral("Silent"));

        // Empty and missing keys, and a body that would lose a count, keep the built-in text.
        const DesktopTexts partial =
            ReadDesktopTexts(ini_, pack("note1=\r\nnote2=%1 done, %2 skipped\r\nnote4=Silent\r\n"));
        QCOMPARE(partial.runEndedTitle, builtIn.runEndedTitle);
        QCOMPARE(partial.runEndedBody, builtIn.runEndedBody);
        QCOMPARE(partial.stoppedReason, builtIn.stoppedReason);
        QCOMPARE(partial.silentReason, QStringLiteral("Silent"));

        // The reason for staying awake needs both of its numbers; the actions are plain texts.
        const DesktopTexts awake =
            ReadDesktopTexts(ini_, pack("note5=File %2 of %1\r\nnote6=Open\r\nnote7=Details\r\n"));
        QCOMPARE(AwakeReason(awake, 3, 100), QStringLiteral("File 100 of 3"));
        QCOMPARE(awake.openFolderAction, QStringLiteral("Open"));
        QCOMPARE(awake.detailsAction, QStringLiteral("Details"));
        const DesktopTexts lame = ReadDesktopTexts(ini_, pack("note5=Converting %1\r\n"));
        QCOMPARE(lame.awakeReason, builtIn.awakeReason);
        QCOMPARE(AwakeReason(lame, 3, 100), QStringLiteral("正在转换第 3 个文件，共 100 个"));
        QCOMPARE(lame.openFolderAction, QStringLiteral("打开输出文件夹"));
        QCOMPARE(lame.detailsAction, QStringLiteral("查看详情"));
    }

    // Each marker once, in one pass: numbers are never read as markers, other '%' text stays.
    void countsTakeTheirPlaces() {
        DesktopTexts t = BuiltInDesktopTexts();
        QCOMPARE(RunEndedBody(t, 2, 0, 13), QStringLiteral("完成 2 个，跳过 0 个，错误 13 个"));
        t.runEndedBody = "%3/%1 (%2) 100% %4 %%1 %";
        QCOMPARE(RunEndedBody(t, 1, 22, 333), QStringLiteral("333/1 (22) 100% %4 %1 %"));
        t.runEndedBody = "%1%2%3";
        QCOMPARE(RunEndedBody(t, 32767, 1, 0), QStringLiteral("3276710"));
    }
};

QTEST_GUILESS_MAIN(TestDesktopTexts)
#include "test_desktop_texts.moc"
