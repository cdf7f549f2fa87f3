// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeBrowser.h"

#include <QWidget>

namespace vm {

FakeBrowser::FakeBrowser() = default;
FakeBrowser::~FakeBrowser() {
    if (widget_ && !widget_->parent()) {
        delete widget_;
    }
}

void FakeBrowser::navigate(const QString& url) {
    navigations.append(url);
    location_ = url;
}

void FakeBrowser::setDocumentCompleteHandler(std::function<void()> handler) {
    onComplete_ = std::move(handler);
}

QWidget* FakeBrowser::widget() {
    if (!widget_) {
        widget_ = new QWidget;
    }
    return widget_;
}

void FakeBrowser::completeLoad() {
    if (onComplete_) {
        onComplete_();
    }
}

}  // namespace vm
