#pragma once

// The drawable canvas: the program's picture, shown at a scale inside its scroll area. The
// pixels keep their own size whatever the scale; every position it reports (events, the
// pointer) is in canvas pixels.

#include <QPoint>
#include <QWidget>
#include <optional>

#include "platform/gui/gui.h"
#include "platform/gui/reduced_levels.h"
#include "platform/gui/widgets.h"

class QScrollArea;

namespace vd::gui {

class CanvasWidget : public QWidget {
  public:
    CanvasWidget(QWidget* parent, EventSink& sink, WindowNumber window, ControlNumber number,
                 Size size);

    Image& pixels() { return pixels_; }
    // Keeps what fits, the rest black.
    void resizePixels(Size size);
    // The program changed the pixels (all of them, or those of `area`).
    void pixelsChanged();
    void pixelsChanged(Rect area);

    double scale() const { return scale_; }
    // Shows the canvas at `scale`, keeping the canvas point under `anchor` (a point of the
    // scroll area's visible part) where it is.
    void setScale(double scale, QPoint anchor);
    // Drawn over the picture at screen resolution, in XOR, at every scale but 1 (canvas
    // pixels, bounds inclusive for the outline).
    void setOverlay(std::optional<Rect> outline, std::optional<Rect> handle);

    // The canvas pixel under a position of the widget, and the widget position at the middle
    // of a canvas pixel.
    QPoint pixelAt(QPoint at) const;
    QPoint centreOf(QPoint pixel) const;
    QScrollArea* scrollArea() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void keepWhatFits(Size size);
    QSize displayedSize() const;
    QRect displayedRect(const Rect& pixels) const;
    void paintEnlarged(QPainter& painter, const QRect& area);
    void paintReduced(QPainter& painter, const QRect& area);
    void paintOverlay(QPainter& painter);
    void post(int type, QPoint at, Qt::KeyboardModifiers modifiers, int keyCode = 0,
              int delta = 0);
    void confinePointer(QPoint screen);
    void panTo(QPoint screen);
    void scrollSideways(int wheelDelta);

    EventSink& sink_;
    WindowNumber window_;
    ControlNumber number_;
    Image pixels_;
    bool rightPressed_ = false;
    double scale_ = 1.0;
    ReducedLevels levels_;
    std::optional<Rect> outline_, handle_;
    // A drag with the middle button: where it started and the scroll position then.
    std::optional<QPoint> panStart_;
    QPoint panScroll_;
    // Part of a wheel step left over by wheels that turn in finer steps.
    int zoomWheelRest_ = 0;
};

}  // namespace vd::gui
