// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

// Telling the user about something while the window is out of sight.
class Notifications {
  public:
    virtual ~Notifications() = default;

    // A desktop notification with a title and a body of plain text. Returns false when no
    // notification service could be reached; nothing else happens then.
    virtual bool notify(const QString& title, const QString& body) = 0;
    // The window's taskbar entry asks for attention until the user turns to it.
    virtual void requestAttention() = 0;
};

}  // namespace vm
