// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

#include "platform/Browser.h"

class QWebEngineView;

namespace vm {

// The resource page in a QWebEngineView. Until the view reports an address of its own, the
// address last sent counts as the one shown, so that a second look right after a navigation
// does not load the page again; the view's spelling of the same address counts as the same.
class WebEngineBrowser : public QObject, public Browser {
    Q_OBJECT
  public:
    WebEngineBrowser();
    ~WebEngineBrowser() override;

    QString locationUrl() const override;
    void navigate(const QString& url) override;
    void setDocumentCompleteHandler(std::function<void()> handler) override;
    QWidget* widget() override;

  private:
    QWebEngineView* view();

    QPointer<QWebEngineView> view_;
    QString sent_;
    std::function<void()> onComplete_;
};

}  // namespace vm
