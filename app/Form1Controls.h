// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vm {

struct LanguageTexts;
class ClickLabel;
class DropList;
class ProgressTrack;

// The controls of the main window under their own names (each also its objectName).
struct Form1Controls {
    // Upper strip and tab row.
    QLabel* Image1 = nullptr;
    QComboBox* Combo7 = nullptr;
    std::array<QPushButton*, 6> Option7{};  // objectName "Option7", property "index"
    QButtonGroup* tabGroup = nullptr;
    std::array<QFrame*, 6> panels{};  // Frame00 .. Frame05

    // Frame00: the file list.
    DropList* List1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command9 = nullptr;
    QPushButton* Command8 = nullptr;

    // Frame01: save options.
    QGroupBox* Frame6 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command2 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QRadioButton* Option6 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option5 = nullptr;
    QRadioButton* Option4 = nullptr;

    // Frame02: parameter settings.
    QGroupBox* Frame5 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option8 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QComboBox* Combo4 = nullptr;
    QComboBox* Combo5 = nullptr;
    QComboBox* Combo6 = nullptr;

    // Frame03: conversion controls and status.
    QLabel* Label21 = nullptr;
    QLabel* Label22 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command5 = nullptr;
    ProgressTrack* Picture3 = nullptr;  // its fill is Picture1
    ProgressTrack* Picture4 = nullptr;  // its fill is Picture2
    QGroupBox* Frame3 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label1 = nullptr;   // current frame
    QLabel* Label2 = nullptr;   // bit rate
    QLabel* Label15 = nullptr;  // size
    QLabel* Label16 = nullptr;  // time

    // Frame04: the resource page.
    QLabel* Label29 = nullptr;
    QWidget* WebBrowser1 = nullptr;

    // Frame05: About.
    QLabel* Label26 = nullptr;
    QLabel* Label24 = nullptr;
    QLabel* Label20 = nullptr;
    ClickLabel* Label19 = nullptr;
    ClickLabel* Label17 = nullptr;
    ClickLabel* Label18 = nullptr;
    QLabel* Label23 = nullptr;
    QPushButton* Command4 = nullptr;
    QGroupBox* Frame8 = nullptr;
    QPlainTextEdit* Text4 = nullptr;
};

// Creates every control on the window with its list, geometry and initial state, and gives the
// controls of the language table their built-in texts. The browser's widget becomes WebBrowser1.
void BuildForm1Controls(QWidget* form, QWidget* browserWidget, Form1Controls& c);

// Puts the captions of texts into the controls they name (objectName, and the index among the
// tab buttons) and refills the channels box with its two entries, the first selected.
void ApplyControlTexts(QWidget* form, const Form1Controls& c, const LanguageTexts& texts);

}  // namespace vm
