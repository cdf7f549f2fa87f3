// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormViews.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "Form1Controls.h"
#include "Widgets.h"
#include "files/OutputFolder.h"
#include "platform/paths/ReadablePath.h"

namespace vm {

namespace {
const char* const kPathProperty = "vidmorfPath";

// The path an entry stands for: kept beside its text, or the text itself for an entry that
// was put into the list without one.
QString PathOf(const QListWidgetItem* item) {
    const QVariant path = item->data(Qt::UserRole);
    return path.isValid() ? path.toString() : item->text();
}
}  // namespace

void ShowOutputFolder(QLineEdit* box, const QString& path, LegacyEncoding names) {
    box->setText(ReadablePath(path, names));
    box->setProperty(kPathProperty, path);
}

QString OutputFolderOf(const QLineEdit* box, LegacyEncoding names) {
    return OutputFolderFromText(box->text(), box->property(kPathProperty).toString(), names);
}

int ListBoxView::count() const {
    return c_.List1->count();
}

void ListBoxView::append(const QString& path) {
    auto* item = new QListWidgetItem(ReadablePath(path, names_));
    item->setData(Qt::UserRole, path);
    c_.List1->addItem(item);
}

int ListBoxView::selectedIndex() const {
    const QList<QListWidgetItem*> selected = c_.List1->selectedItems();
    return selected.isEmpty() ? -1 : c_.List1->row(selected.first());
}

void ListBoxView::removeAt(int index) {
    delete c_.List1->takeItem(index);
    // The list would move the selection to a neighbour; the entry is gone and nothing is chosen.
    c_.List1->clearSelection();
    c_.List1->setCurrentRow(-1);
}

void ListBoxView::clear() {
    c_.List1->clear();
}

QStringList ListBoxView::entries() const {
    QStringList paths;
    for (int i = 0; i < c_.List1->count(); ++i) {
        paths.append(PathOf(c_.List1->item(i)));
    }
    return paths;
}

void ListBoxView::showPathsAgain() {
    for (int i = 0; i < c_.List1->count(); ++i) {
        QListWidgetItem* item = c_.List1->item(i);
        const QString shown = ReadablePath(PathOf(item), names_);
        if (item->text() != shown) {
            item->setText(shown);
        }
    }
}

ConversionSettings FormRunView::settings() const {
    ConversionSettings s;
    if (c_.Option2->isChecked()) {
        s.format = OutputFormat::Wmv;
    } else if (c_.Option8->isChecked()) {
        s.format = OutputFormat::Mp3;
    } else {
        s.format = OutputFormat::Avi;
    }
    s.frameSize = c_.Combo1->currentText();
    s.frameRate = c_.Combo2->currentText();
    s.videoBitrate = c_.Combo3->currentText();
    s.audioBitrate = c_.Combo4->currentText();
    s.sampleRate = c_.Combo5->currentText();
    // A typed text that is not the chosen entry selects no entry.
    const int channel = c_.Combo6->currentIndex();
    s.channelIndex =
        (channel >= 0 && c_.Combo6->itemText(channel) == c_.Combo6->currentText()) ? channel : -1;
    s.outputFolder = OutputFolderOf(c_.Text2, names_);
    if (c_.Option3->isChecked()) {
        s.policy = ConflictPolicy::AskForName;
    } else if (c_.Option5->isChecked()) {
        s.policy = ConflictPolicy::Skip;
    } else if (c_.Option4->isChecked()) {
        s.policy = ConflictPolicy::Overwrite;
    } else {
        s.policy = ConflictPolicy::RenameAutomatically;
    }
    return s;
}

QStringList FormRunView::sourceFiles() const {
    return list_.entries();
}

void FormRunView::setRunning(bool running) {
    // The keyboard's focus stays among the run buttons: Start hands it to Cancel task and gets
    // it back, instead of its going to the top of the window with a button that is disabled.
    QWidget* focused = c_.Command3->window()->focusWidget();
    const bool onRunButton =
        focused == c_.Command3 || focused == c_.Command5 || focused == c_.Command6;
    for (int i = 0; i < kTabsRunDisables; ++i) {
        c_.Option7[i]->setEnabled(!running);
    }
    QPushButton* const taking = running ? c_.Command6 : c_.Command3;
    taking->setEnabled(true);
    if (onRunButton) {
        taking->setFocus(Qt::OtherFocusReason);
    }
    c_.Command3->setEnabled(!running);
    c_.Command5->setEnabled(running);
    c_.Command6->setEnabled(running);
}

void FormRunView::setCounterCaption(const QString& text) {
    SetCaption(c_.Label21, text);
}

void FormRunView::setCurrentSource(const QString& text) {
    SetCaption(c_.Label22, text);
}

QString FormRunView::currentSource() const {
    return c_.Label22->text();
}

void FormRunView::showProgress(const ProgressUpdate& update) {
    const std::pair<const std::optional<QString>&, QLabel*> figures[] = {
        {update.frame, c_.Label1},
        {update.bitrate, c_.Label2},
        {update.size, c_.Label15},
        {update.time, c_.Label16},
    };
    for (const auto& [text, box] : figures) {
        if (text) {
            box->setText(*text);
        }
    }
    if (update.fileBarWidth) {
        c_.Picture3->setFillWidth(*update.fileBarWidth);
    }
    if (update.totalBarWidth) {
        c_.Picture4->setFillWidth(*update.totalBarWidth);
    }
}

double FormRunView::fileTrackWidth() const {
    return c_.Picture3->trackWidth();
}

double FormRunView::totalTrackWidth() const {
    return c_.Picture4->trackWidth();
}

float FormRunView::fileBarWidth() const {
    return c_.Picture3->fillWidth();
}

float FormRunView::totalBarWidth() const {
    return c_.Picture4->fillWidth();
}

}  // namespace vm
