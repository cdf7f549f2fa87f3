// SPDX-License-Identifier: GPL-3.0-or-later
// The captions of the packs we ship are short enough for the window's small controls.
#include <QFontMetrics>
#include <QHash>
#include <QTest>

#include "SystemBackEnds.h"
#include "i18n/LanguagePacks.h"
#include "i18n/LanguageTexts.h"

using namespace vm;

namespace {

const QString kFolder = QStringLiteral(VM_PACKS_DIR "/");

// Room for the text of small controls, in pixels at 96 dpi (the control's width less its
// frame, and less the indicator for option buttons).
const QHash<QString, int> kRoom = {
    {"Option7", 71},  {"Command1", 63}, {"Command9", 63}, {"Command8", 63}, {"Command3", 63},
    {"Command6", 63}, {"Command5", 63}, {"Command2", 55}, {"Command4", 87}, {"Option6", 77},
    {"Option3", 77},  {"Option5", 53},  {"Option4", 61},  {"Label3", 80},   {"Label4", 80},
    {"Label5", 80},   {"Label6", 88},   {"Label7", 88},   {"Label8", 88},   {"Label9", 72},
    {"Label14", 68},  {"Label10", 83},  {"Label11", 83},
};

}  // namespace

class TestCaptionRoom : public QObject {
    Q_OBJECT
  private slots:
    void captionsFitTheirControls();
};

void TestCaptionRoom::captionsFitTheirControls() {
    SystemFileSystem files;
    SystemProfileFiles ini;
    const QStringList packs = ListLanguagePacks(files, kFolder);
    QVERIFY(packs.size() >= 3);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(12);
    const QFontMetrics metrics(font);
    QStringList tooWide;
    for (const QString& name : packs) {
        const LanguageTexts t = ReadLanguageTexts(ini, kFolder + name);
        for (const CaptionText& c : t.captions) {
            const int room = kRoom.value(c.objectName, -1);
            const int width = metrics.horizontalAdvance(c.text);
            if (room >= 0 && width > room) {
                tooWide.append(QString("%1 %2: \"%3\" is %4 px, room %5")
                                   .arg(name, c.objectName, c.text)
                                   .arg(width)
                                   .arg(room));
            }
        }
    }
    QVERIFY2(tooWide.isEmpty(), qPrintable(tooWide.join("\n")));
}

QTEST_MAIN(TestCaptionRoom)
#include "tst_caption_room.moc"
