// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vm {

// The embedded browser of the resource tab.
class Browser {
  public:
    virtual ~Browser() = default;
    // The address the browser shows (the one last sent, until the view reports its own).
    virtual QString locationUrl() const = 0;
    virtual void navigate(const QString& url) = 0;
    // Called whenever a page has finished loading (also when it failed to load).
    virtual void setDocumentCompleteHandler(std::function<void()> handler) = 0;
    // The widget to place in the window.
    virtual QWidget* widget() = 0;
};

}  // namespace vm
