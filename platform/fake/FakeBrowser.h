// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QStringList>

#include "platform/Browser.h"

namespace vm {

// Records navigations; the test decides when a page has loaded and where the user went.
class FakeBrowser : public Browser {
  public:
    FakeBrowser();
    ~FakeBrowser() override;

    QString locationUrl() const override { return location_; }
    void navigate(const QString& url) override;
    void setDocumentCompleteHandler(std::function<void()> handler) override;
    QWidget* widget() override;

    // The user followed a link inside the page.
    void followLink(const QString& url) { location_ = url; }
    // The page (or a frame of it) has loaded.
    void completeLoad();

    QStringList navigations;

  private:
    QString location_;
    std::function<void()> onComplete_;
    QPointer<QWidget> widget_;  // owned by the window once placed there
};

}  // namespace vm
