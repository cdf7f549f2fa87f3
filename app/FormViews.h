// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/RunView.h"
#include "files/FileList.h"

class QLineEdit;

namespace vm {

struct Form1Controls;

// The output folder box shows a folder as a person reads it (ReadablePath) and keeps the path
// itself beside it; OutputFolderOf gives the folder that the box's text names now.
void ShowOutputFolder(QLineEdit* box, const QString& path);
QString OutputFolderOf(const QLineEdit* box);

// The file list operations over List1. Each entry shows its path as a person reads it
// (ReadablePath) and keeps the path itself beside it (Qt::UserRole).
class ListBoxView : public FileListView {
  public:
    explicit ListBoxView(const Form1Controls& c) : c_(c) {}
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
};

// What a run reads from and writes to the window's controls.
class FormRunView : public RunView {
  public:
    explicit FormRunView(const Form1Controls& c) : c_(c), list_(c) {}

    ConversionSettings settings() const override;
    QStringList sourceFiles() const override;
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
    ListBoxView list_;
};

}  // namespace vm
