// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopSession.h"

#include <QApplication>

#include "CommandLine.h"
#include "Form1.h"
#include "platform/InstanceChannel.h"

namespace vm {

bool ClaimOneWindow(InstanceChannel& channel, const QString& programFolder,
                    const QStringList& files) {
    QString error;
    switch (channel.claim(InstanceName(programFolder), EncodePaths(files), &error)) {
        case InstanceChannel::Claim::HandedOver:
            return false;
        case InstanceChannel::Claim::Alone:
            qWarning("vidmorf: a later start cannot reach this window: %s", qPrintable(error));
            break;
        case InstanceChannel::Claim::Listening:
            break;
    }
    return true;
}

DesktopSession::DesktopSession(Form1& window, const DesktopServices& desktop,
                               InstanceChannel& channel, QObject* parent)
    : QObject(parent),
      window_(window),
      run_(std::make_unique<RunOnDesktop>(window, desktop, [this] { bringToFront(); })) {
    channel.setMessageHandler(
        [this](const QByteArray& message) { filesArrived(DecodePaths(message)); });
}

DesktopSession::~DesktopSession() = default;

void DesktopSession::filesArrived(const QStringList& paths) {
    window_.AddGivenFiles(paths);
    bringToFront();
}

void DesktopSession::bringToFront() {
    // A window that start-up has not shown yet stays hidden until start-up shows it.
    if (!window_.isVisible()) {
        return;
    }
    window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
    window_.raise();
    window_.activateWindow();
    // A box the window waits on stays in front of it.
    if (QWidget* box = QApplication::activeModalWidget()) {
        box->raise();
        box->activateWindow();
    }
}

}  // namespace vm
