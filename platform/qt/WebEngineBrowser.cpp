// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebEngineBrowser.h"

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
    ~ViewSlot() override {
        if (QWindow* window = embedded()) {
            window->hide();
            window->setParent(nullptr);
        }
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == host_ && event->type() == QEvent::WinIdChange && isVisible()) {
            embed();
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
    QWindow* embedded() const { return container_ ? embedded_.data() : nullptr; }

    void embed() {
        if (!host_ || !host_->windowHandle() ||
            (container_ && embedded_ == host_->windowHandle())) {
            return;
        }
        delete container_;
        embedded_ = host_->windowHandle();
        container_ = QWidget::createWindowContainer(embedded_, this);
        // Only the container needs a native window; its ancestors and their other children
        // stay as they are.
        container_->setAttribute(Qt::WA_DontCreateNativeAncestors);
        layout()->addWidget(container_);
        container_->show();
    }

    QPointer<QWidget> host_;
    QPointer<QWindow> embedded_;
    QPointer<QWidget> container_;
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
