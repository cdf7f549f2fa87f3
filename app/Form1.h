// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <memory>

#include "Form1Controls.h"
#include "FormViews.h"
#include "i18n/DesktopTexts.h"
#include "i18n/MessageTable.h"
#include "platform/Platform.h"

namespace vm {

class Accessibility;
class BatchRun;

// The one window: its controls, start-up and shut-down, the tabs and the resource page.
// It connects each event to the function that does the work.
class Form1 : public QWidget {
    Q_OBJECT
  public:
    // programFolder: the folder of the executable; a trailing separator is added if missing.
    Form1(const Platform& platform, const QString& programFolder, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up. Shows the window when it is complete and returns true; returns false when the
    // program must end (the encoder is missing): the window was closed and never shown.
    bool startUp();

    // Event handlers, public so that tests can drive them as a user would.
    void Option7_Click(int index);
    void Combo7_Click();
    void ApplyLanguage(const QString& name);
    void ShowResourcePage(const QString& name);
    void WebBrowser1_DocumentComplete();
    // The About panel's links: the target opens in the user's own program.
    void OpenMakerPage(const QString& target);
    // Files handed to the program (its command line, a later start): joined as a drop.
    void AddGivenFiles(const QStringList& paths);

    const Form1Controls& controls() const { return c_; }
    const MessageTable& messages() const { return messages_; }
    const DesktopTexts& desktopTexts() const { return desktopTexts_; }
    const QString& programFolder() const { return programFolder_; }
    const Platform& platform() const { return platform_; }
    LegacyEncoding legacyEncoding() const { return names_; }
    bool encoderIdle() const;
    BatchRun& batchRun() { return *batch_; }

  signals:
    // The window has been shown (benchmarks wait for it).
    void shown();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void connectHandlers();
    bool encoderPresent();
    void centreOnScreen();

    Platform platform_;
    QString programFolder_;
    Form1Controls c_;
    MessageTable messages_;
    DesktopTexts desktopTexts_ = BuiltInDesktopTexts();
    // Names that are not UTF-8 are read in the encoding that the language's users most
    // likely met; the lists and the run read it here.
    LegacyEncoding names_ = kBuiltInLegacyEncoding;
    ListBoxView list_;
    FormRunView runView_;
    std::unique_ptr<BatchRun> batch_;
    Accessibility* access_ = nullptr;  // a child of the window
    bool startUpComplete_ = false;
};

}  // namespace vm
