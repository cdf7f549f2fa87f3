// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include "ConversionSettings.h"

namespace vm {

enum class StatusField { Frame, Bitrate, Size, Time };

// What a run needs of the window. The window implements it over its controls; tests
// implement it with plain members. Widths are in twips.
class RunView {
  public:
    virtual ~RunView() = default;

    virtual ConversionSettings settings() const = 0;  // read from the controls now
    virtual QStringList sourceFiles() const = 0;      // the file list, in order

    // Running: Start and tabs 0-2 disabled, the stop buttons enabled; Idle: the reverse.
    virtual void setRunning(bool running) = 0;

    virtual void setCounterCaption(const QString& text) = 0;  // Label21
    virtual void setCurrentSource(const QString& text) = 0;   // Label22
    virtual QString currentSource() const = 0;
    virtual void setStatus(StatusField field, const QString& text) = 0;  // Label1/2/15/16
    virtual QString status(StatusField field) const = 0;

    virtual double fileTrackWidth() const = 0;   // Picture3
    virtual double totalTrackWidth() const = 0;  // Picture4
    virtual float fileBarWidth() const = 0;      // Picture1
    virtual void setFileBarWidth(float width) = 0;
    virtual float totalBarWidth() const = 0;  // Picture2
    virtual void setTotalBarWidth(float width) = 0;
};

}  // namespace vm
