// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include "ConversionSettings.h"
#include "WindowProgress.h"
#include "platform/paths/ReadablePath.h"

namespace vm {

// What a run needs of the window. The window implements it over its controls; tests
// implement it with plain members. Widths are in twips. The run only writes to the display;
// it never reads back what it wrote.
class RunView {
  public:
    virtual ~RunView() = default;

    virtual ConversionSettings settings() const = 0;  // read from the controls now
    virtual QStringList sourceFiles() const = 0;      // the file list, in order
    // The legacy encoding that wins a close call where a name that is not UTF-8 is shown:
    // the one of the window's language (ReadablePath).
    virtual LegacyEncoding legacyEncoding() const = 0;

    // Running: Start and the tabs a run disables disabled, the stop buttons enabled; Idle: the
    // reverse.
    virtual void setRunning(bool running) = 0;

    virtual void setCounterCaption(const QString& text) = 0;  // Label21
    virtual void setCurrentSource(const QString& text) = 0;   // Label22
    // Label1/2/15/16 and the bars Picture1 and Picture2; what the update leaves empty stays.
    virtual void showProgress(const ProgressUpdate& update) = 0;

    virtual double fileTrackWidth() const = 0;   // Picture3
    virtual double totalTrackWidth() const = 0;  // Picture4
};

}  // namespace vm
