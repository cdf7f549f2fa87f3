// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a list through the window with the real encoder, files and boxes, and leaves the
// completion message open with its details unfolded, so that it can be looked at and
// photographed. Usage: summary_preview PROGRAM-FOLDER OUTPUT-FOLDER FILE...
// The program folder holds coder.dll and the packs; a file named *stop.flv is force-stopped
// after two seconds, and other boxes are answered OK. Targets are overwritten. Prints "ready"
// when the box is unfolded; ends after twenty seconds.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>

#include "SystemBackEnds.h"
#include "app/Form1.h"
#include "app/FormViews.h"
#include "app/Widgets.h"
#include "convert/BatchRun.h"
#include "platform/fake/FakeBrowser.h"
#include "platform/paths/PathBytes.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtLinks.h"

using namespace vm;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fputs("usage: summary_preview PROGRAM-FOLDER OUTPUT-FOLDER FILE...\n", stderr);
        return 2;
    }
    SystemFileSystem files;
    SystemProcesses processes;
    QtDialogs dialogs;
    QtLinks links;
    FakeBrowser browser;
    SystemProfileFiles profiles;
    const Platform platform{files, processes, dialogs, links, browser, profiles};
    // The arguments' bytes are kept: a name that is not UTF-8 reaches the list as it is.
    const QStringList args = ArgumentPaths(argc, argv);
    Form1 window(platform, args.at(1));
    dialogs.setOwner(&window);
    if (!window.startUp()) {
        return 1;
    }
    const Form1Controls& c = window.controls();
    ShowOutputFolder(c.Text2, args.at(2), window.legacyEncoding());
    c.Option4->setChecked(true);
    window.AddGivenFiles(args.mid(3));

    QElapsedTimer onPipe;
    bool unfolded = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->text() == window.messages()[Message::ForceStopQuestion]) {
            box->button(QMessageBox::Ok)->click();  // yes, stop now
        } else if (box && !box->detailedText().isEmpty() && !unfolded) {
            unfolded = dialogs.unfoldDetails();
            std::puts("ready");
            std::fflush(stdout);
        } else if (box && box->detailedText().isEmpty()) {
            box->button(QMessageBox::Ok)->click();  // a file's error, shown as it happens
        } else if (!box && c.Label22->text().endsWith(QLatin1String("stop.flv"))) {
            if (!onPipe.isValid()) {
                onPipe.start();
            } else if (onPipe.elapsed() > 2000) {
                onPipe.invalidate();
                // Out of this tick: the question it opens holds a loop of its own.
                QTimer::singleShot(0, c.Command5, [&] { c.Command5->click(); });
            }
        }
    });
    watch.start(200);
    QTimer::singleShot(0, c.Command3, [&] { c.Command3->click(); });
    QTimer::singleShot(20000, &app, [] { QApplication::exit(0); });
    return app.exec();
}
