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
//
// The view lives in a native window of its own, which a window container sets into the main
// window. A view inside the main window's widget tree would make Qt compose that whole window
// through OpenGL on every repaint, also while the view is hidden: a progress update would cost
// the CPU a software renderer's full composition. In a window of its own, the view is composed
// alone, and not at all while its panel is hidden; it keeps its page meanwhile.
class WebEngineBrowser : public QObject, public Browser {
    Q_OBJECT
  public:
    WebEngineBrowser();
    ~WebEngineBrowser() override;

    QString locationUrl() const override;
    void navigate(const QString& url) override;
    void setDocumentCompleteHandler(std::function<void()> handler) override;
    // The widget to place in the window: a slot holding the container of the view's window.
    QWidget* widget() override;

    QWebEngineView* view();

  private:
    QPointer<QWebEngineView> view_;
    QPointer<QWidget> host_;  // the view's own top-level window, shown inside the slot
    QPointer<QWidget> slot_;
    QString sent_;
    std::function<void()> onComplete_;
};

}  // namespace vm
