// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up's pack scan over 200 packs, and the other pack operations for comparison.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "SystemBackEnds.h"
#include "i18n/LanguagePacks.h"
#include "i18n/LanguageTexts.h"

using namespace vm;

namespace {

// Milliseconds per call of f, over repeats calls.
template <typename F>
double Time(int repeats, F f) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeats; ++i) {
        f();
    }
    return double(timer.nsecsElapsed()) / 1e6 / repeats;
}

}  // namespace

int main(int argc, char** argv) {
    const int packs = argc > 1 ? std::atoi(argv[1]) : 200;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString folder = dir.path() + "/";

    // Each pack is a full pack of about 2.5 kB, like the ones we ship.
    QByteArray body;
    for (const char* section : {"Tab", "Tab1", "Tab2", "Tab3", "Tab4", "Tab5", "Tab6", "Dialog"}) {
        body += QByteArray("\r\n[") + section + "]\r\n";
        for (int k = 1; k <= 10; ++k) {
            body += "key" + QByteArray::number(k) + "=一段界面文字 some caption text\r\n";
        }
    }
    for (int i = 0; i < packs; ++i) {
        QFile f(folder + QString("pack%1.INI").arg(i, 3, 10, QChar('0')));
        if (!f.open(QIODevice::WriteOnly)) {
            return 1;
        }
        f.write("[Info]\r\nLanguage=Language " + QByteArray::number(i) +
                "\r\nSet=" + (i == packs / 2 ? "1" : "0") + "\r\nTranslator=Someone\r\n" + body);
    }
    SystemFileSystem files;
    SystemProfileFiles profiles;

    PackScan scan;
    const double scanMs = Time(20, [&] { scan = ScanLanguagePacks(files, profiles, folder); });
    const double listMs = Time(20, [&] { ListLanguagePacks(files, folder); });
    const double findMs = Time(20, [&] {
        FindLanguagePack(files, profiles, folder, QString("Language %1").arg(packs - 1));
    });
    const QString last = FindLanguagePack(files, profiles, folder, "Language 1");
    const double textsMs = Time(20, [&] { ReadLanguageTexts(profiles, last); });
    const QString shown = scan.remembered;
    // First marking rewrites two packs; later ones find every value in place.
    const double markChangeMs =
        Time(1, [&] { MarkLanguagePacks(files, profiles, folder, "Language 0"); });
    const double markSameMs =
        Time(5, [&] { MarkLanguagePacks(files, profiles, folder, "Language 0"); });
    const double markAllMs = Time(1, [&] { MarkLanguagePacks(files, profiles, folder, ""); });

    std::printf("packs: %d (%d listed, remembered \"%s\")\n", packs, int(scan.languages.size()),
                qPrintable(shown));
    std::printf("ScanLanguagePacks:              %8.2f ms  (%.3f ms per pack)\n", scanMs,
                scanMs / packs);
    std::printf("ListLanguagePacks:              %8.2f ms\n", listMs);
    std::printf("FindLanguagePack (last pack):   %8.2f ms\n", findMs);
    std::printf("ReadLanguageTexts (61 reads):   %8.2f ms\n", textsMs);
    std::printf("MarkLanguagePacks, 2 rewrites:  %8.2f ms\n", markChangeMs);
    std::printf("MarkLanguagePacks, no change:   %8.2f ms  (ratio to scan %.2f)\n", markSameMs,
                markSameMs / scanMs);
    std::printf("MarkLanguagePacks, all rewrite: %8.2f ms  (%.3f ms per pack)\n", markAllMs,
                markAllMs / packs);
    return 0;
}
