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

// The tabs, by the index of their button (Option7) and of their panel (Frame00 .. Frame05).
enum Tab : int {
    kFileListTab,
    kSaveOptionsTab,
    kParametersTab,
    kConversionTab,
    kResourceTab,  // the resource web page; in front at start-up
    kAboutTab,
    kTabCount
};
// The tabs a run disables: the file list, save options and parameters, every tab before the
// conversion tab.
constexpr int kTabsRunDisables = kConversionTab;

// The controls of the main window under their own names (each also its objectName).
struct Form1Controls {
    // Upper strip and tab row.
    QLabel* Image1 = nullptr;                       // the banner picture
    QComboBox* Combo7 = nullptr;                    // language box: the packs' language names
    std::array<QPushButton*, kTabCount> Option7{};  // tab buttons, each with property "index"
    QButtonGroup* tabGroup = nullptr;               // keeps one tab button checked
    std::array<QFrame*, kTabCount> panels{};        // the tabs' panels, Frame00 .. Frame05

    // Frame00: the file list.
    DropList* List1 = nullptr;        // the sources to convert, in order; takes dropped files
    QPushButton* Command1 = nullptr;  // Add: files from the open dialog
    QPushButton* Command9 = nullptr;  // Delete the selected file
    QPushButton* Command8 = nullptr;  // Clear the list, after a question

    // Frame01: save options.
    QGroupBox* Frame6 = nullptr;      // "save to folder" frame
    QLineEdit* Text2 = nullptr;       // the output folder
    QPushButton* Command2 = nullptr;  // Browse for the output folder
    QGroupBox* Frame4 = nullptr;      // "when the file exists" frame
    QRadioButton* Option6 = nullptr;  // rename automatically
    QRadioButton* Option3 = nullptr;  // ask for a new name
    QRadioButton* Option5 = nullptr;  // skip the file
    QRadioButton* Option4 = nullptr;  // overwrite

    // Frame02: parameter settings.
    QGroupBox* Frame5 = nullptr;      // output format frame
    QRadioButton* Option1 = nullptr;  // AVI
    QRadioButton* Option2 = nullptr;  // WMV
    QRadioButton* Option8 = nullptr;  // MP3
    QGroupBox* Frame1 = nullptr;      // video options frame
    QGroupBox* Frame2 = nullptr;      // audio options frame
    QLabel* Label3 = nullptr;         // caption of Combo1
    QLabel* Label4 = nullptr;         // caption of Combo2
    QLabel* Label5 = nullptr;         // caption of Combo3
    QLabel* Label6 = nullptr;         // caption of Combo4
    QLabel* Label7 = nullptr;         // caption of Combo5
    QLabel* Label8 = nullptr;         // caption of Combo6
    QComboBox* Combo1 = nullptr;      // frame size
    QComboBox* Combo2 = nullptr;      // frame rate
    QComboBox* Combo3 = nullptr;      // video bit rate
    QComboBox* Combo4 = nullptr;      // audio bit rate
    QComboBox* Combo5 = nullptr;      // sample rate
    QComboBox* Combo6 = nullptr;      // audio channels: stereo, mono

    // Frame03: conversion controls and status.
    QLabel* Label21 = nullptr;          // counter line: "converting (i/n):"
    QLabel* Label22 = nullptr;          // the source being converted
    QPushButton* Command3 = nullptr;    // Start
    QPushButton* Command6 = nullptr;    // Cancel task: stop after the current file
    QPushButton* Command5 = nullptr;    // Force stop: kill the encoder now
    ProgressTrack* Picture3 = nullptr;  // current file's bar; its fill is Picture1
    ProgressTrack* Picture4 = nullptr;  // whole run's bar; its fill is Picture2
    QGroupBox* Frame3 = nullptr;        // status frame
    QLabel* Label9 = nullptr;           // caption of Label1
    QLabel* Label10 = nullptr;          // caption of Label2
    QLabel* Label11 = nullptr;          // caption of Label15
    QLabel* Label12 = nullptr;          // unit of Label2, "kb/s"
    QLabel* Label13 = nullptr;          // unit of Label15, "kB"
    QLabel* Label14 = nullptr;          // caption of Label16
    QLabel* Label1 = nullptr;           // current frame
    QLabel* Label2 = nullptr;           // bit rate
    QLabel* Label15 = nullptr;          // size
    QLabel* Label16 = nullptr;          // time

    // Frame04: the resource page.
    QLabel* Label29 = nullptr;       // the line above the page
    QWidget* WebBrowser1 = nullptr;  // the embedded browser's widget

    // Frame05: About.
    QLabel* Label26 = nullptr;        // program name
    QLabel* Label24 = nullptr;        // version
    QLabel* Label20 = nullptr;        // maker
    ClickLabel* Label19 = nullptr;    // mail link
    ClickLabel* Label17 = nullptr;    // chat link
    ClickLabel* Label18 = nullptr;    // web log link
    QLabel* Label23 = nullptr;        // the note on the encoder and the licence
    QPushButton* Command4 = nullptr;  // opens the maker's page for the latest version
    QGroupBox* Frame8 = nullptr;      // thanks frame
    QPlainTextEdit* Text4 = nullptr;  // the packs' translators
};

// Creates every control on the window with its list, geometry and initial state, and gives the
// controls of the language table their built-in texts. The browser's widget becomes WebBrowser1.
void BuildForm1Controls(QWidget* form, QWidget* browserWidget, Form1Controls& c);

// Puts the captions of texts into the controls they name (objectName, and the index among the
// tab buttons) and refills the channels box with its two entries, the first selected.
void ApplyControlTexts(QWidget* form, const Form1Controls& c, const LanguageTexts& texts);

}  // namespace vm
