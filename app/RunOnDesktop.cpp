// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunOnDesktop.h"

#include <QApplication>
#include <QFileInfo>
#include <QUrl>

#include "Form1.h"
#include "platform/Notifications.h"
#include "platform/SleepInhibitor.h"
#include "platform/TaskbarEntry.h"
#include "platform/paths/PathBytes.h"

namespace vm {

const QString RunOnDesktop::kOpenFolder = QStringLiteral("open-folder");
const QString RunOnDesktop::kShowDetails = QStringLiteral("show-details");

RunOnDesktop::RunOnDesktop(Form1& window, const DesktopServices& desktop,
                           std::function<void()> bringToFront, QObject* parent)
    : QObject(parent), window_(window), desktop_(desktop), bringToFront_(std::move(bringToFront)) {
    BatchRun& run = window_.batchRun();
    connect(&run, &BatchRun::fileStarted, this, &RunOnDesktop::fileStarted);
    connect(&run, &BatchRun::listProgress, this, &RunOnDesktop::listProgress);
    connect(&run, &BatchRun::ending, this, &RunOnDesktop::runEnding);
    desktop_.notifications.setActionHandler([this](const QString& key) { actionPicked(key); });
}

RunOnDesktop::~RunOnDesktop() {
    desktop_.notifications.setActionHandler({});
}

void RunOnDesktop::fileStarted(int number, int count) {
    // Read at every file, so that a language switch during the run applies from the next one.
    desktop_.sleep.hold(AwakeReason(window_.desktopTexts(), number, count));
    filesLeft_ = count - number + 1;
    // The files before this one are through; the list's bar adds this file's share as it goes.
    desktop_.taskbar.showProgress(double(number - 1) / count, filesLeft_);
}

void RunOnDesktop::listProgress(double share) {
    desktop_.taskbar.showProgress(share, filesLeft_);
}

void RunOnDesktop::runEnding(int done, int skipped, int failed) {
    // No encoder runs any more: the machine may sleep while the completion message waits.
    desktop_.sleep.release();
    desktop_.taskbar.clear();
    // Some window of the program has the focus: the user sees the completion message.
    if (QApplication::activeWindow()) {
        return;
    }
    notified_ = window_.batchRun().lastReport();
    const DesktopTexts& texts = window_.desktopTexts();
    QList<NotificationAction> actions{{kOpenFolder, texts.openFolderAction}};
    if (failed > 0) {
        actions.append({kShowDetails, texts.detailsAction});
    }
    desktop_.notifications.notify(texts.runEndedTitle, RunEndedBody(texts, done, skipped, failed),
                                  actions);
    desktop_.notifications.requestAttention();
}

void RunOnDesktop::actionPicked(const QString& key) {
    if (key == kOpenFolder && !notified_.outputFolder.isEmpty()) {
        const QString folder = QFileInfo(notified_.outputFolder).absoluteFilePath();
        window_.platform().links.open(FileUrlFromPath(folder).toString(QUrl::FullyEncoded));
    } else if (key == kShowDetails) {
        showDetails();
    }
}

void RunOnDesktop::showDetails() {
    bringToFront_();
    Dialogs& dialogs = window_.platform().dialogs;
    // The completion message still waits: its details unfold. Closed already: it comes again.
    if (!dialogs.unfoldDetails()) {
        dialogs.messageBoxWithDetails(notified_.title, notified_.text, MsgButtons::Ok,
                                      MsgIcon::None, notified_.details);
    }
}

}  // namespace vm
