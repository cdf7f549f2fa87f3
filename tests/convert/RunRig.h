// SPDX-License-Identifier: GPL-3.0-or-later
// A whole run without a window, for the tests of runs: the stand-in encoder, real files and
// processes, answered boxes.
#pragma once

#include <QDir>
#include <QTest>
#include <QTimer>

#include "RunSupport.h"
#include "convert/BatchRun.h"
#include "i18n/MessageTable.h"
#include "platform/fake/FakeDialogs.h"

namespace vm::test {

inline constexpr int kRunTimeoutMs = 20000;

inline QString doneText(const MessageTable& m, int listCount, const QString& summary) {
    return m[Message::FinishedInAll] + QString::number(listCount) + m[Message::FilesOfWhich] +
           ":\r\r" + Shown(summary);  // the paths as the system shows them
}

// Everything a run needs, with the stand-in encoder in a program folder of its own.
struct Rig {
    Workspace ws;
    FailingFileSystem files;
    FailingProcesses processes;
    FakeDialogs dialogs;
    TestView view;
    MessageTable messages;
    BatchRun run{files, processes, dialogs, view, messages, ws.program};

    Rig() {
        LoadBuiltInMessages(messages);
        view.current.outputFolder = ws.output;
    }
    // Starts a run and waits for its end; false when it did not end in time.
    bool runToEnd() {
        run.start();
        return QTest::qWaitFor([&] { return !run.isRunning(); }, kRunTimeoutMs);
    }
    FakeDialogs::Shown lastMessage() const {
        return dialogs.messages().value(dialogs.messages().size() - 1);
    }
    // On the counter caption that contains marker, after delayMs, do action (once).
    void when(const QString& marker, int delayMs, std::function<void()> action) {
        auto previous = view.onCounterCaption;
        view.onCounterCaption = [=, this](const QString& caption) {
            if (previous) {
                previous(caption);
            }
            if (caption.contains(marker)) {
                QTimer::singleShot(delayMs, &run, action);
            }
        };
    }
};

}  // namespace vm::test
