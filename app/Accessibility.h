// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class QAbstractButton;
class QLabel;
class QWidget;

namespace vm {

struct AccessTexts;
struct Form1Controls;

// What a screen reader and a keyboard need around the window's controls: a name for every control
// a person can reach, and keys for what would otherwise take the mouse. The order of the Tab key
// is the order of creation, which is reading order; the About panel's button is moved ahead of
// the links below it. Nothing here changes what a mouse does.
//
// Keys: Ctrl+Tab and Ctrl+PgDown select the next enabled tab, Ctrl+Shift+Tab and Ctrl+PgUp the
// previous one, and the focus goes to its button; within the tab strip the arrow keys do the same
// (Qt's own for an exclusive group), and Tab enters the strip at the selected tab. Enter presses
// the focused button as Space does. Delete in the file list does what the Delete button does.
class Accessibility : public QObject {
    Q_OBJECT
  public:
    Accessibility(QWidget* form, const Form1Controls& c);

    // The names that follow the language; called whenever the captions have changed. A field
    // takes the caption beside it; where the window shows none, the name comes from texts.
    void applyNames(const AccessTexts& texts);

    // Selects the next (+1) or previous (-1) enabled tab as a click on its button does.
    void stepTab(int step);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void keepSelectedTabReachable();
    bool pressWithEnter(QAbstractButton* button, QEvent* event);

    const Form1Controls& c_;
    QLabel* languageName_;                    // names the language box; never shown
    QPointer<QAbstractButton> enterPressed_;  // the button an Enter key went down on
};

}  // namespace vm
