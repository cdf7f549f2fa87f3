// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up time of the main window with many language packs in the program folder: from the
// program's start until the window reports that it is shown. Prints milliseconds and ratios;
// asserts nothing.
//
// Usage: bench_startup [PACKS] [RUNS]   (defaults: 200 packs, 5 runs)
// Each run builds its program folder under /tmp with an encoder file and the packs, the last
// pack marked as remembered, starts a window on the real file and profile back ends, and
// removes the folder afterwards.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <memory>

#include "SystemBackEnds.h"
#include "app/Form1.h"
#include "i18n/LanguagePacks.h"
#include "platform/fake/FakeBrowser.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeLinks.h"
#include "platform/paths/PathBytes.h"

using namespace vm;

namespace {

// A pack with every key a language switch reads.
QByteArray PackText(int n, bool marked) {
    QByteArray text = "[Info]\r\nLanguage=Language " + QByteArray::number(n) +
                      "\r\nTranslator=Translator " + QByteArray::number(n) +
                      "\r\nSet=" + (marked ? "1" : "0") + "\r\n";
    text += "[Tab]\r\n";
    for (int i = 1; i <= 6; ++i) {
        text += "tab" + QByteArray::number(i) + "=Tab " + QByteArray::number(i) + "\r\n";
    }
    const char* const sections[][12] = {
        {"Tab1", "cmd11", "cmd12", "cmd13"},
        {"Tab2", "frm21", "frm22", "cmd21", "opt21", "opt22", "opt23", "opt24"},
        {"Tab3", "frm31", "frm32", "frm33", "lab31", "lab32", "lab33", "lab34", "lab35", "lab36",
         "lis31", "lis32"},
        {"Tab4", "lab41", "cmd41", "cmd42", "cmd43", "frm41", "lab42", "lab43", "lab44", "lab45"},
        {"Tab5", "lab51"},
        {"Tab6", "lab61", "lab62", "cmd61", "frm61"},
    };
    for (const auto& section : sections) {
        text += QByteArray("[") + section[0] + "]\r\n";
        for (int k = 1; k < 12 && section[k]; ++k) {
            text += QByteArray(section[k]) + "=Text of " + section[k] + "\r\n";
        }
    }
    text += "[Dialog]\r\n";
    for (const char* key : MessageTable::keys()) {
        text += QByteArray(key) + "=Message " + key + "\r\n";
    }
    return text;
}

bool BuildFolder(const QString& folder, int packs) {
    QFile encoder(folder + QStringLiteral("coder.dll"));
    if (!encoder.open(QIODevice::WriteOnly)) {
        return false;
    }
    for (int n = 0; n < packs; ++n) {
        QFile pack(folder + QStringLiteral("Pack%1.INI").arg(n, 3, 10, QLatin1Char('0')));
        if (!pack.open(QIODevice::WriteOnly) || pack.write(PackText(n, n == packs - 1)) < 0) {
            return false;
        }
    }
    return true;
}

// Milliseconds from the start of start-up until the window is shown.
double StartUpOnce(int packs) {
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vm-bench-XXXXXX"));
    const QString folder = dir.path() + QLatin1Char('/');
    if (!dir.isValid() || !BuildFolder(folder, packs)) {
        return -1;
    }
    SystemFileSystem files;
    SystemProcesses processes;
    SystemProfileFiles profiles;
    FakeDialogs dialogs;
    FakeLinks links;
    FakeBrowser browser;

    QElapsedTimer clock;
    clock.start();
    double shownAfter = -1;
    {
        Form1 form(Platform{files, processes, dialogs, links, browser, profiles}, folder);
        QObject::connect(&form, &Form1::shown, [&] { shownAfter = clock.nsecsElapsed() / 1e6; });
        if (!form.startUp()) {
            return -1;
        }
        QEventLoop loop;
        while (shownAfter < 0) {
            loop.processEvents(QEventLoop::AllEvents, 10);
        }
        form.hide();
    }
    return shownAfter;
}

double Median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values.at(values.size() / 2);
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    const double appReady = sinceStart.nsecsElapsed() / 1e6;
    const int packs = argc > 1 ? vm::PathFromBytes(argv[1]).toInt() : 200;
    const int runs = argc > 2 ? vm::PathFromBytes(argv[2]).toInt() : 5;
    QTextStream out(stdout);

    // The first window pays for fonts and styles once; it is reported apart.
    const double first = StartUpOnce(packs);
    QList<double> withPacks;
    QList<double> withoutPacks;
    for (int i = 0; i < runs; ++i) {
        withPacks.append(StartUpOnce(packs));
        withoutPacks.append(StartUpOnce(0));
    }
    const double median = Median(withPacks);
    const double bare = Median(withoutPacks);
    out << "application object ready after " << appReady << " ms\n";
    out << "first window, " << packs << " packs: " << first
        << " ms (program start to shown: " << appReady + first << " ms)\n";
    out << "start-up to shown, " << packs << " packs, median of " << runs << ": " << median
        << " ms\n";
    out << "start-up to shown, no packs, median of " << runs << ": " << bare << " ms\n";
    if (bare > 0) {
        out << "ratio " << packs << " packs / no packs: " << median / bare << "\n";
        out << "per pack: " << (median - bare) / qMax(1, packs) << " ms\n";
    }
    return 0;
}
