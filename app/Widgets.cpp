// SPDX-License-Identifier: GPL-3.0-or-later
#include "Widgets.h"

#include <QAbstractButton>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QUrl>

#include "convert/WindowProgress.h"
#include "platform/paths/PathBytes.h"

namespace vm {

namespace {
const char kAutoSize[] = "vmAutoSize";
const char kRightEdge[] = "vmRightEdge";

void FitAutoSized(QLabel* label) {
    if (!label->property(kAutoSize).toBool()) {
        return;
    }
    label->adjustSize();
    const QVariant right = label->property(kRightEdge);
    if (right.isValid()) {
        label->move(right.toInt() - label->width(), label->y());
    }
}

QString EscapeMnemonic(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    return escaped;
}

QString UnescapeMnemonic(const QString& text) {
    QString plain = text;
    plain.replace(QLatin1String("&&"), QLatin1String("&"));
    return plain;
}
}  // namespace

int TwipsToPixels(double twips) {
    return qRound(twips / kTwipsPerPixel);
}

QRect Twips(int left, int top, int width, int height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

ProgressTrack::ProgressTrack(const QString& trackName, const QString& fillName, QWidget* parent)
    : QFrame(parent), fill_(new QWidget(this)) {
    setObjectName(trackName);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, QColor(255, 255, 255));
    setPalette(white);

    fill_->setObjectName(fillName);
    fill_->setAutoFillBackground(true);
    QPalette blue = fill_->palette();
    blue.setColor(QPalette::Window, QColor(0, 0, 255));
    fill_->setPalette(blue);
    placeFill();
}

double ProgressTrack::trackWidth() const {
    return double(width()) * kTwipsPerPixel;
}

void ProgressTrack::setFillWidth(float twips) {
    fillWidth_ = twips;
    placeFill();
}

void ProgressTrack::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    placeFill();
}

void ProgressTrack::placeFill() {
    const QRect inner = contentsRect();
    const int left = inner.left() - TwipsToPixels(kBarOffsetTwips);
    fill_->setGeometry(left, inner.top(), qMax(0, TwipsToPixels(fillWidth_)), inner.height());
}

DropList::DropList(QWidget* parent) : QListWidget(parent) {
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
}

QStringList DropList::localPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths.append(PathFromFileUrl(url));  // the name's bytes as the URL encodes them
        }
    }
    return paths;
}

void DropList::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void DropList::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void DropList::dropEvent(QDropEvent* event) {
    const QStringList paths = localPaths(event->mimeData());
    event->acceptProposedAction();
    if (!paths.isEmpty()) {
        emit filesDropped(paths);
    }
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (!event->isAutoRepeat()) {
                activate();
            }
            break;
        default:
            QLabel::keyPressEvent(event);
    }
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (hasFocus()) {
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = palette().color(QPalette::Window);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
}

void MakeAutoSized(QLabel* label, int leftTwips, int topTwips) {
    label->setProperty(kAutoSize, true);
    label->move(TwipsToPixels(leftTwips), TwipsToPixels(topTwips));
    FitAutoSized(label);
}

void MakeAutoSizedRight(QLabel* label, int rightEdgeTwips, int topTwips) {
    label->setProperty(kAutoSize, true);
    label->setProperty(kRightEdge, TwipsToPixels(rightEdgeTwips));
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label->move(0, TwipsToPixels(topTwips));
    FitAutoSized(label);
}

void SetCaption(QWidget* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        // A label with a buddy would take an '&' as the buddy's shortcut.
        label->setText(label->buddy() ? EscapeMnemonic(text) : text);
        FitAutoSized(label);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(EscapeMnemonic(text));
    } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        frame->setTitle(EscapeMnemonic(text));
    }
}

QString CaptionOf(const QWidget* control) {
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        return label->buddy() ? UnescapeMnemonic(label->text()) : label->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return UnescapeMnemonic(button->text());
    }
    if (auto* frame = qobject_cast<const QGroupBox*>(control)) {
        return UnescapeMnemonic(frame->title());
    }
    return {};
}

}  // namespace vm
