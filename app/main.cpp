// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QIcon>

#include "CommandLine.h"
#include "DesktopSession.h"
#include "Form1.h"
#include "SiteBrowser.h"
#include "SiteSetup.h"
#include "SystemBackEnds.h"
#include "SystemDesktop.h"
#include "platform/Platform.h"
#include "platform/paths/PathBytes.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtLinks.h"
#include "platform/real/JobGuard.h"
#include "platform/real/LocalSocketChannel.h"

int main(int argc, char** argv) {
    if (const std::optional<int> answered = vm::AnswerInfoOptions(argc, argv)) {
        return *answered;
    }
    vm::StartJobGuard();  // before any thread: encoder jobs end with the program, however it ends
    vm::PrepareBrowserEngine();
    QApplication app(argc, argv);
    const vm::BuiltInSiteServer site;
    QApplication::setApplicationName(QStringLiteral("Vidmorf"));
    QApplication::setDesktopFileName(QStringLiteral("vidmorf"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vidmorf/icon.png")));

    // One window per user and program folder: a later start hands its files over and ends.
    // Paths keep their bytes, names that are not UTF-8 included (Qt's own would lose them).
    const vm::CommandLine line =
        vm::ParseCommandLine(vm::ArgumentPaths(argc, argv), vm::CurrentFolder());
    if (line.action != vm::CommandLine::Action::Run) {
        return vm::Answer(line);
    }
    const QString programFolder = vm::ProgramFolder();
    vm::LocalSocketChannel channel;
    if (!vm::ClaimOneWindow(channel, programFolder, line.files)) {
        return 0;
    }

    vm::SystemFileSystem files;
    vm::SystemProcesses processes;
    vm::QtDialogs dialogs;
    vm::QtLinks links;
    vm::SiteBrowser browser;  // the build's browser: Qt WebEngine or a text browser
    vm::SystemProfileFiles profiles;
    const vm::Platform platform{files, processes, dialogs, links, browser, profiles};

    // The folder of the real executable: the encoder and the packs lie beside it.
    vm::Form1 window(platform, programFolder);
    dialogs.setOwner(&window);
    vm::SystemDesktop services(QApplication::applicationName(), QGuiApplication::desktopFileName());
    services.setOwner(&window);
    vm::DesktopSession desktop(
        window, {services.notifications(), services.sleep(), services.taskbar()}, channel);
    window.AddGivenFiles(line.files);
    if (!window.startUp()) {
        return 0;
    }
    return app.exec();
}
