// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/RunView.h"
#include "files/FileList.h"

class QLineEdit;

namespace vm {

struct Form1Controls;

// The output folder box shows a folder as a person reads it (ReadablePath, preferring names)
// and keeps the path itself beside it; OutputFolderOf gives the folder that the box's text
// names now, read as it was shown.
void ShowOutputFolder(QLineEdit* box, const QString& path, LegacyEncoding names);
QString OutputFolderOf(const QLineEdit* box, LegacyEncoding names);

// The file list operations over List1. Each entry shows its path as a person reads it
// (ReadablePath, preferring names) and keeps the path itself beside it (Qt::UserRole).
class ListBoxView : public FileListView {
  public:
    ListBoxView(const Form1Controls& c, const LegacyEncoding& names) : c_(c), names_(names) {}
    int count() const override;
    void append(const QString& path) override;
    int selectedIndex() const override;
    void removeAt(int index) override;
    void clear() override;
    QStringList entries() const;
    // Shows every path afresh (after the preferred legacy encoding has changed).
    void showPathsAgain();

  private:
    const Form1Controls& c_;
    const LegacyEncoding& names_;
};

// What a run reads from and writes to the window's controls.
class FormRunView : public RunView {
  public:
    FormRunView(const Form1Controls& c, const LegacyEncoding& names)
        : c_(c), names_(names), list_(c, names) {}

    ConversionSettings settings() const override;
    QStringList sourceFiles() const override;
    LegacyEncoding legacyEncoding() const override { return names_; }
    void setRunning(bool running) override;
    void setCounterCaption(const QString& text) override;
    void setCurrentSource(const QString& text) override;
    void showProgress(const ProgressUpdate& update) override;
    double fileTrackWidth() const override;
    double totalTrackWidth() const override;

    // What the controls show now.
    QString currentSource() const;
    float fileBarWidth() const;
    float totalBarWidth() const;

  private:
    const Form1Controls& c_;
    const LegacyEncoding& names_;
    ListBoxView list_;
};

}  // namespace vm
