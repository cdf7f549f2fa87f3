// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the main window with in-memory back ends on a chosen tab, with a few sample values,
// so that it can be looked at and photographed. Usage: form1_preview TAB [PACK-FOLDER LANGUAGE]
// With a folder, its *.INI packs are listed and LANGUAGE is chosen in the language box.
// Prints the window's geometry once it is shown; ends after ten seconds.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

#include "MemoryPlatform.h"
#include "app/Form1.h"
#include "app/FormViews.h"
#include "app/Widgets.h"
#include "platform/fake/FakeBrowser.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeLinks.h"
#include "platform/paths/PathBytes.h"

using namespace vm;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int tab = argc > 1 ? vm::PathFromBytes(argv[1]).toInt() : 4;
    const QString folder = QStringLiteral("/opt/vidmorf/");

    test::MemoryFileSystem files;
    test::ManualProcesses processes;
    test::MemoryProfiles profiles;
    FakeDialogs dialogs;
    FakeLinks links;
    FakeBrowser browser;
    files.addDir(folder);
    files.addFile(folder + QStringLiteral("coder.dll"));
    const QString packFolder = argc > 3 ? vm::PathFromBytes(argv[2]) : QString();
    for (const QString& name : QDir(packFolder).entryList({QStringLiteral("*.INI")})) {
        files.addFile(folder + name);
        // A plain reading of the pack, enough for a look at the window.
        QFile pack(packFolder + QLatin1Char('/') + name);
        if (!pack.open(QIODevice::ReadOnly)) {
            continue;
        }
        QString section;
        for (const QString& raw : QString::fromUtf8(pack.readAll()).split(QLatin1Char('\n'))) {
            const QString line = raw.trimmed();
            if (line.startsWith(QLatin1Char('['))) {
                section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1).trimmed();
            } else if (const int eq = int(line.indexOf(QLatin1Char('='))); eq > 0) {
                profiles.set(folder + name, section, line.left(eq).trimmed(),
                             line.mid(eq + 1).trimmed());
            }
        }
    }
    if (packFolder.isEmpty()) {
        for (const auto& [name, language, translator] :
             {std::tuple{"Chinese_S.INI", "简体中文", "Vidmorf"},
              std::tuple{"Chinese_T.INI", "繁體中文", "Vidmorf"},
              std::tuple{"English.INI", "English", "Vidmorf"}}) {
            files.addFile(folder + QLatin1String(name));
            profiles.set(folder + QLatin1String(name), QStringLiteral("Info"),
                         QStringLiteral("Language"), QString::fromUtf8(language));
            profiles.set(folder + QLatin1String(name), QStringLiteral("Info"),
                         QStringLiteral("Translator"), QString::fromUtf8(translator));
        }
    }

    Form1 form(Platform{files, processes, dialogs, links, browser, profiles}, folder);
    if (!form.startUp()) {
        return 1;
    }
    const Form1Controls& c = form.controls();
    if (argc > 3) {
        c.Combo7->setCurrentIndex(c.Combo7->findText(vm::PathFromBytes(argv[3])));
        form.Combo7_Click();
    }
    c.List1->addItem(QStringLiteral("/home/user/videos/first clip.flv"));
    c.List1->addItem(QStringLiteral("/home/user/videos/second clip.FLV"));
    const LegacyEncoding names = form.legacyEncoding();
    FormRunView view(c, names);
    view.setCounterCaption(form.messages().convertingCaption + QStringLiteral("(1/2):"));
    view.setCurrentSource(c.List1->item(0)->text());
    view.showProgress({QStringLiteral("1234"), QStringLiteral("356.4"), QStringLiteral("1815"),
                       QStringLiteral("41.20"), 3000.f, 1500.f});
    form.Option7_Click(tab);
    c.Option7[qBound(0, tab, 5)]->setChecked(true);

    QTimer::singleShot(300, &app, [&form] {
        const QRect g = form.geometry();
        QTextStream(stdout) << g.x() << ' ' << g.y() << ' ' << g.width() << ' ' << g.height()
                            << Qt::endl;
    });
    QTimer::singleShot(10000, &app, &QApplication::quit);
    return app.exec();
}
