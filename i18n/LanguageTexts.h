// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVector>

#include "MessageTable.h"

namespace vm {

class ProfileFiles;

// One caption that a language switch sets: the control's objectName and, for the tab
// buttons (objectName "Option7"), the index in the array; -1 otherwise.
struct CaptionText {
    QString objectName;
    int index = -1;
    QString text;
};

// Everything a language switch reads from one pack, read in the fixed order of the switch.
struct LanguageTexts {
    QVector<CaptionText> captions;  // tab buttons, then the captions of tabs 1 to 6 (Label21
                                    // among them, with the text of convertingCaption)
    QString stereo;                 // Combo6, first entry
    QString mono;                   // Combo6, second entry
    QString unusedAboutText;        // lab61: read, shown nowhere
    MessageTable messages;          // the Dialog section, and ConvertingCaption from lab41
};

// Reads the 61 texts of a switch from packPath (empty path: every text its fallback).
// The six tab captions fall back on "文件列表" ... "flv资源", "关于"; every other key falls back
// on its built-in text (BuiltInLanguageTexts), so that a partial pack never blanks a control.
LanguageTexts ReadLanguageTexts(const ProfileFiles& profiles, const QString& packPath);

// The window's own texts before any pack is applied, in the same order and shape as a switch
// delivers them (the fifth tab button reads "FLV资源" here); lab61 is empty. This table is the
// only place they are written: the window takes them at creation as it takes a pack's.
LanguageTexts BuiltInLanguageTexts();

}  // namespace vm
