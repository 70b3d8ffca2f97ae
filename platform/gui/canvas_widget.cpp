#include "platform/gui/canvas_widget.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gui/canvas_scale.h"

namespace vd::gui {

namespace {

constexpr int kWheelStep = 120;  // a wheel's notch, in Qt's eighths of a degree

// The reduced level a scale below 1 is drawn from: the smallest one still at least as large
// as the view, so a level is never enlarged and never shrunk by more than half.
int levelFor(double scale) {
    const int level = static_cast<int>(std::floor(std::log2(1.0 / scale) + 1e-9));
    return std::clamp(level, 0, ReducedLevels::kDeepest);
}

}  // namespace

CanvasWidget::CanvasWidget(QWidget* parent, EventSink& sink, WindowNumber window,
                           ControlNumber number, Size size)
    : QWidget(parent),
      sink_(sink),
      window_(window),
      number_(number),
      pixels_(std::max(size.width, 1), std::max(size.height, 1), 24, 0) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(pixels_.width(), pixels_.height());
}

QScrollArea* CanvasWidget::scrollArea() const {
    for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(w)) return area;
    return nullptr;
}

QSize CanvasWidget::displayedSize() const {
    return {displayedLength(pixels_.width(), scale_), displayedLength(pixels_.height(), scale_)};
}

void CanvasWidget::resizePixels(Size size) {
    if (pixels_.width() != size.width || pixels_.height() != size.height) keepWhatFits(size);
    levels_.changedAll();
    resize(displayedSize());
    update();
}

void CanvasWidget::keepWhatFits(Size size) {
    Image next(std::max(size.width, 1), std::max(size.height, 1), 24, 0);
    const Image& old = pixels_;  // read only: a shared buffer is not copied first
    const int w = std::min(next.width(), old.width());
    const int h = std::min(next.height(), old.height());
    for (int y = 0; y < h; ++y)
        std::memcpy(next.row(y), old.row(y), sizeof(Color) * static_cast<std::size_t>(w));
    pixels_ = std::move(next);
}

void CanvasWidget::pixelsChanged() {
    levels_.changedAll();
    update();
}

void CanvasWidget::pixelsChanged(Rect area) {
    levels_.changed(area.x, area.y, area.x + area.width, area.y + area.height);
    if (area.width <= 0 || area.height <= 0) return;
    update(displayedRect({area.x, area.y, area.width, area.height}));
}

// The screen pixels that show any part of these canvas pixels.
QRect CanvasWidget::displayedRect(const Rect& r) const {
    const int left = displayedStart(r.x, scale_);
    const int top = displayedStart(r.y, scale_);
    const int right = displayedEnd(r.x + r.width - 1, scale_);
    const int bottom = displayedEnd(r.y + r.height - 1, scale_);
    return {left, top, right - left, bottom - top};
}

void CanvasWidget::setScale(double scale, QPoint anchor) {
    QScrollArea* area = scrollArea();
    const QPoint scrolled = area ? QPoint(area->horizontalScrollBar()->value(),
                                          area->verticalScrollBar()->value())
                                 : QPoint();
    // The canvas point under the anchor, in fractions of a pixel, before and after.
    const double x = (anchor.x() + scrolled.x()) / scale_;
    const double y = (anchor.y() + scrolled.y()) / scale_;
    scale_ = scale;
    if (scale_ >= 1.0) levels_.release();
    const QSize size = displayedSize();
    resize(size);
    if (area == nullptr) return;
    if (area->widget() != nullptr) area->widget()->resize(size);
    area->horizontalScrollBar()->setValue(static_cast<int>(std::lround(x * scale_)) - anchor.x());
    area->verticalScrollBar()->setValue(static_cast<int>(std::lround(y * scale_)) - anchor.y());
    update();
}

void CanvasWidget::setOverlay(std::optional<Rect> outline, std::optional<Rect> handle) {
    const auto repaint = [this](const std::optional<Rect>& r) {
        if (r && r->width > 0 && r->height > 0) update(displayedRect(*r));
    };
    repaint(outline_);
    repaint(handle_);
    outline_ = outline;
    handle_ = handle;
    repaint(outline_);
    repaint(handle_);
}

QPoint CanvasWidget::pixelAt(QPoint at) const {
    const QSize shown = displayedSize();
    return {gui::pixelAt(at.x(), pixels_.width(), shown.width(), scale_),
            gui::pixelAt(at.y(), pixels_.height(), shown.height(), scale_)};
}

QPoint CanvasWidget::centreOf(QPoint pixel) const {
    return {displayedCentre(pixel.x(), scale_), displayedCentre(pixel.y(), scale_)};
}

// ---- Painting: only the part asked for, from the pixels or a reduced level.

void CanvasWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect area = event->rect();
    if (scale_ == 1.0) {
        painter.drawImage(area.topLeft(), opaqueView(pixels_), area);
    } else if (scale_ > 1.0) {
        paintEnlarged(painter, area);
    } else {
        paintReduced(painter, area);
    }
    paintOverlay(painter);
}

// Whole squares per pixel, never smoothed: the scales above 1 are whole numbers.
void CanvasWidget::paintEnlarged(QPainter& painter, const QRect& area) {
    const int k = static_cast<int>(std::lround(scale_));
    const int left = area.left() / k, top = area.top() / k;
    const int right = std::min(pixels_.width(), area.right() / k + 1);
    const int bottom = std::min(pixels_.height(), area.bottom() / k + 1);
    if (right <= left || bottom <= top) return;
    const QRect source(left, top, right - left, bottom - top);
    painter.setClipRect(area);
    painter.drawImage(QRect(left * k, top * k, source.width() * k, source.height() * k),
                      opaqueView(pixels_), source);
    painter.setClipping(false);
}

// Drawn from the level just above the scale, 1:1 at the powers of two, otherwise shrunk by
// less than half with smoothing, so the view is the mean of the pixels it stands for.
void CanvasWidget::paintReduced(QPainter& painter, const QRect& area) {
    const int level = levelFor(scale_);
    const Image& source = level == 0 ? pixels_ : levels_.level(level, pixels_);
    const QSize shown = displayedSize();
    if (shown == QSize(source.width(), source.height())) {
        painter.drawImage(area.topLeft(), opaqueView(source), area);
        return;
    }
    // The level is stretched over exactly the canvas's screen size, so no screen pixel at the
    // far edges asks for pixels beyond the level.
    const double x = static_cast<double>(source.width()) / shown.width();
    const double y = static_cast<double>(source.height()) / shown.height();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF from(area.x() * x, area.y() * y, area.width() * x, area.height() * y);
    painter.drawImage(QRectF(area), opaqueView(source), from);
}

// One screen pixel wide whatever the scale; the handle keeps its own place inside the
// outline's corner.
void CanvasWidget::paintOverlay(QPainter& painter) {
    if (!outline_ && !handle_) return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QColor white(255, 255, 255);
    if (outline_) {
        const QRect box = displayedRect(*outline_);
        const int left = box.left(), top = box.top(), right = box.right(), bottom = box.bottom();
        painter.fillRect(QRect(left, top, box.width(), 1), white);
        if (bottom > top) painter.fillRect(QRect(left, bottom, box.width(), 1), white);
        if (bottom - top > 1) {
            painter.fillRect(QRect(left, top + 1, 1, bottom - top - 1), white);
            if (right > left) painter.fillRect(QRect(right, top + 1, 1, bottom - top - 1), white);
        }
    }
    if (handle_) {
        QRect box = displayedRect(*handle_);
        if (outline_) box &= displayedRect(*outline_).adjusted(1, 1, -1, -1);
        if (!box.isEmpty()) painter.fillRect(box, white);
    }
}

// ---- Input: positions go out in canvas pixels.

void CanvasWidget::post(int type, QPoint at, Qt::KeyboardModifiers modifiers, int keyCode,
                        int delta) {
    const QPoint pixel = pixelAt(at);
    Event event;
    event.kind = EventKind::Control;
    event.window = window_;
    event.control = number_;
    event.type = type;
    event.x = pixel.x();
    event.y = pixel.y();
    event.keyCode = keyCode;
    event.modifiers = modifierBits(modifiers);
    event.delta = delta;
    sink_.pushEvent(event);
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    sink_.notePointer(event->globalPosition().toPoint());
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        // While the button is held the canvas keeps the mouse, as a confined pointer would.
        grabMouse();
        post(CANVAS_LEFT_DOWN, at, event->modifiers());
    } else if (event->button() == Qt::RightButton) {
        rightPressed_ = true;
    } else if (event->button() == Qt::MiddleButton) {
        if (QScrollArea* area = scrollArea()) {
            panStart_ = event->globalPosition().toPoint();
            panScroll_ = {area->horizontalScrollBar()->value(),
                          area->verticalScrollBar()->value()};
        }
    }
    event->accept();
}

// Two quick presses are two presses to the program.
void CanvasWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
    sink_.notePointer(event->globalPosition().toPoint());
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        releaseMouse();
        post(CANVAS_LEFT_UP, at, event->modifiers());
    } else if (event->button() == Qt::RightButton) {
        if (rightPressed_ && rect().contains(at)) post(CANVAS_RIGHT_CLICK, at, event->modifiers());
        rightPressed_ = false;
    } else if (event->button() == Qt::MiddleButton) {
        panStart_.reset();
    }
    event->accept();
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint screen = event->globalPosition().toPoint();
    sink_.notePointer(screen);
    if (panStart_ && (event->buttons() & Qt::MiddleButton)) panTo(screen);
    if (event->buttons() & Qt::LeftButton) confinePointer(screen);
    post(CANVAS_POINTER_MOVED, event->position().toPoint(), event->modifiers());
    event->accept();
}

// The picture moves with the pointer, as if held by it.
void CanvasWidget::panTo(QPoint screen) {
    QScrollArea* area = scrollArea();
    if (area == nullptr) return;
    const QPoint moved = screen - *panStart_;
    area->horizontalScrollBar()->setValue(panScroll_.x() - moved.x());
    area->verticalScrollBar()->setValue(panScroll_.y() - moved.y());
}

// Keeps the pointer over the visible part of the canvas while the button is held. Platforms
// without a real pointer (offscreen) are left alone: nothing there moves it but the program.
void CanvasWidget::confinePointer(QPoint screen) {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return;
    const QRect visible = visibleRegion().boundingRect();
    if (visible.isEmpty()) return;
    const QRect area(mapToGlobal(visible.topLeft()), visible.size());
    const QPoint kept(std::clamp(screen.x(), area.left(), area.right()),
                      std::clamp(screen.y(), area.top(), area.bottom()));
    if (kept != screen) QCursor::setPos(kept);
}

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
    // Taken here so that the scroll area never scrolls on a key.
    const QPoint at = mapFromGlobal(QCursor::pos());
    post(CANVAS_KEY_DOWN, at, event->modifiers(), windowsKeyCode(event->key()));
    event->accept();
}

// Ctrl with the wheel zooms (the program decides how far), Shift with it scrolls sideways;
// the wheel alone is left to the scroll area.
void CanvasWidget::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (event->modifiers() & Qt::ControlModifier) {
        zoomWheelRest_ += delta;
        const int steps = zoomWheelRest_ / kWheelStep;
        zoomWheelRest_ -= steps * kWheelStep;
        if (steps != 0) {
            sink_.notePointer(event->globalPosition().toPoint());
            post(CANVAS_WHEEL, event->position().toPoint(), event->modifiers(), 0, steps);
        }
        event->accept();
    } else if ((event->modifiers() & Qt::ShiftModifier) && delta != 0) {
        scrollSideways(delta);
        event->accept();
    } else {
        event->ignore();
    }
}

void CanvasWidget::scrollSideways(int wheelDelta) {
    QScrollArea* area = scrollArea();
    if (area == nullptr) return;
    QScrollBar* bar = area->horizontalScrollBar();
    const int lines = QApplication::wheelScrollLines() * bar->singleStep();
    bar->setValue(bar->value() - wheelDelta * lines / kWheelStep);
}

}  // namespace vd::gui
