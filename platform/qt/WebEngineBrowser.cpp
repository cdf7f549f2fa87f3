// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebEngineBrowser.h"

#include <QPlatformSurfaceEvent>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <QWindow>

namespace vm {

namespace {

// Holds a container with the native window of the view's own top-level widget. Qt makes that
// window anew when the view's first page brings its OpenGL surface; the slot then sets the new
// one in. Before the container goes (with the main window), the slot takes the view's window
// back out of it, so that the window and its view stay the browser's to delete.
class ViewSlot : public QWidget {
  public:
    explicit ViewSlot(QWidget* host) : host_(host) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        host_->installEventFilter(this);
    }
    ~ViewSlot() override { release(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WinIdChange && isVisible() &&
            (watched == host_ || watched == outer_)) {
            embed();
        } else if (event->type() == QEvent::PlatformSurface && watched == outerWindow_ &&
                   static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                       QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
            // The main window's native window goes (Qt makes it anew): the view's window,
            // a child of it, must not go with it.
            release();
        }
        return QWidget::eventFilter(watched, event);
    }
    // The container is made when the slot is first shown: only then has the main window a
    // native window of its own to hold the view's.
    void showEvent(QShowEvent* event) override {
        embed();
        QWidget::showEvent(event);
    }

  private:
    void embed() {
        if (!host_ || !host_->windowHandle() || !window()->windowHandle() ||
            (container_ && embedded_ == host_->windowHandle())) {
            return;
        }
        release();
        if (outer_ != window()) {
            outer_ = window();
            outer_->installEventFilter(this);
        }
        if (outerWindow_ != outer_->windowHandle()) {
            outerWindow_ = outer_->windowHandle();
            outerWindow_->installEventFilter(this);
        }
        embedded_ = host_->windowHandle();
        container_ = QWidget::createWindowContainer(embedded_, this);
        // Only the container needs a native window; its ancestors and their other children
        // stay as they are.
        container_->setAttribute(Qt::WA_DontCreateNativeAncestors);
        layout()->addWidget(container_);
        container_->show();
    }

    // Takes the view's window out of the container, which then goes.
    void release() {
        if (container_ && embedded_) {
            embedded_->hide();
            embedded_->setParent(nullptr);
        }
        delete container_;
        embedded_ = nullptr;
    }

    QPointer<QWidget> host_;
    QPointer<QWindow> embedded_;
    QPointer<QWidget> container_;
    QPointer<QWidget> outer_;        // the main window
    QPointer<QWindow> outerWindow_;  // and its native window
};

}  // namespace

WebEngineBrowser::WebEngineBrowser() = default;

WebEngineBrowser::~WebEngineBrowser() {
    delete slot_;
    delete host_;
    delete view_;
}

QWebEngineView* WebEngineBrowser::view() {
    if (!view_) {
        view_ = new QWebEngineView;
        // A load that fails (a configured web site out of reach) ends too: either way counts.
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
    if (!slot_) {
        host_ = new QWidget(nullptr, Qt::FramelessWindowHint);
        host_->setObjectName(QStringLiteral("WebBrowser1Window"));
        auto* layout = new QVBoxLayout(host_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view());
        host_->winId();
        slot_ = new ViewSlot(host_);
    }
    return slot_;
}

}  // namespace vm
