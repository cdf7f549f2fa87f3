// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebEngineBrowser.h"

#include <QWebEngineView>

namespace vm {

WebEngineBrowser::WebEngineBrowser() = default;

WebEngineBrowser::~WebEngineBrowser() {
    if (view_ && !view_->parent()) {
        delete view_;
    }
}

QWebEngineView* WebEngineBrowser::view() {
    if (!view_) {
        view_ = new QWebEngineView;
        // Offline, every load fails; the view reports the end of a load either way.
        connect(view_, &QWebEngineView::loadFinished, this, [this](bool) {
            if (onComplete_) {
                onComplete_();
            }
        });
    }
    return view_;
}

QString WebEngineBrowser::locationUrl() const {
    if (!view_) {
        return sent_;
    }
    const QUrl shown = view_->url();
    if (shown.isEmpty() || shown == QUrl(sent_)) {
        return sent_;
    }
    return shown.toString();
}

void WebEngineBrowser::navigate(const QString& url) {
    sent_ = url;
    view()->load(QUrl(url));
}

void WebEngineBrowser::setDocumentCompleteHandler(std::function<void()> handler) {
    onComplete_ = std::move(handler);
}

QWidget* WebEngineBrowser::widget() {
    return view();
}

}  // namespace vm
