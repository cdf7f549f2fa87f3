// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QStringList>

class QWidget;

namespace vm {

// Positions and sizes of the window are written in twips; 15 twips make one pixel.
constexpr int kTwipsPerPixel = 15;
QRect Twips(int left, int top, int width, int height);
int TwipsToPixels(double twips);

// A progress bar: a white track with a blue fill child whose left edge lies kBarOffsetTwips left
// of the track's inner edge, so a fill of width w shows w - kBarOffsetTwips of blue. The fill width
// is kept as given, in twips; the drawing rounds it to pixels.
class ProgressTrack : public QFrame {
    Q_OBJECT
  public:
    ProgressTrack(const QString& trackName, const QString& fillName, QWidget* parent);
    double trackWidth() const;  // twips
    float fillWidth() const { return fillWidth_; }
    void setFillWidth(float twips);
    QWidget* fill() const { return fill_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void placeFill();

    QWidget* fill_;
    float fillWidth_ = 0;
};

// The file list: takes drops of local files and hands their paths on; it decides nothing.
class DropList : public QListWidget {
    Q_OBJECT
  public:
    explicit DropList(QWidget* parent);

    // The local file paths of a drop, in the order the drop lists them.
    static QStringList localPaths(const QMimeData* data);

  signals:
    void filesDropped(const QStringList& paths);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// A label that reports a click of the left mouse button, and Enter or Space when it has the
// keyboard's focus (which it shows).
class ClickLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
    void activate() { emit clicked(); }

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// An auto-sized label keeps its left edge, or its right edge when it was given one.
void MakeAutoSized(QLabel* label, int leftTwips, int topTwips);
void MakeAutoSizedRight(QLabel* label, int rightEdgeTwips, int topTwips);

// Sets the caption of any captioned control exactly as the text stands: a label shows plain
// text, and an '&' on a button, a frame or a label that names a field is shown, not taken as a
// shortcut.
void SetCaption(QWidget* control, const QString& text);
// The caption as the user reads it.
QString CaptionOf(const QWidget* control);

}  // namespace vm
