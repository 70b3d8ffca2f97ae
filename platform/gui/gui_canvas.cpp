// The canvas and the pointer.

#include <QCursor>
#include <QGuiApplication>
#include <QScrollArea>

#include "platform/gui/gui_impl.h"

namespace vd::gui {

namespace {
// Platforms without a real pointer: the position is the one we last set or saw.
bool pointerIsVirtual() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}
}  // namespace

CanvasWidget* Gui::Impl::canvas(ControlNumber c) const {
    const ControlRecord& record = control(c);
    if (record.kind != ControlKind::Canvas)
        throw std::out_of_range("control " + std::to_string(toInt(c)) + " is no canvas");
    return static_cast<CanvasWidget*>(record.widget.data());
}

void Gui::Impl::notePointer(QPoint screen) {
    pointer = screen;
}

Image& Gui::canvasPixels(ControlNumber c) {
    return impl_->canvas(c)->pixels();
}

void Gui::canvasUpdated(ControlNumber c) {
    impl_->canvas(c)->pixelsChanged();
}

void Gui::canvasUpdated(ControlNumber c, Rect area) {
    impl_->canvas(c)->pixelsChanged(area);
}

void Gui::setCanvasSize(ControlNumber c, Size size) {
    impl_->canvas(c)->resizePixels(size);
}

void Gui::setCursor(ControlNumber c, CursorShape shape) {
    Qt::CursorShape qtShape = Qt::ArrowCursor;
    if (shape == CursorShape::Cross) qtShape = Qt::CrossCursor;
    if (shape == CursorShape::Hand) qtShape = Qt::PointingHandCursor;
    impl_->widget(c)->setCursor(qtShape);
}

void Gui::beginBusy() {
    if (impl_->busyDepth++ > 0) return;
    ++impl_->busyPeriods;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // The work that follows keeps the loop from running, so the request is sent now.
    QGuiApplication::sync();
}

void Gui::endBusy() {
    if (impl_->busyDepth == 0 || --impl_->busyDepth > 0) return;
    QGuiApplication::restoreOverrideCursor();
}

bool Gui::isBusy() const { return impl_->busyDepth > 0; }

int Gui::busyPeriods() const { return impl_->busyPeriods; }

void Gui::setCanvasCallback(ControlNumber c, std::function<void(const Event&)> callback) {
    impl_->canvas(c);  // throws for a control that is no canvas
    impl_->canvasCallbacks[toInt(c)] = std::move(callback);
}

Point Gui::pointerOnScreen() const {
    const QPoint p = pointerIsVirtual() ? impl_->pointer : QCursor::pos();
    return {p.x(), p.y()};
}

Point Gui::pointerOnCanvas(ControlNumber c) const {
    const Point screen = pointerOnScreen();
    const CanvasWidget* canvas = impl_->canvas(c);
    const QPoint p = canvas->pixelAt(canvas->mapFromGlobal(QPoint(screen.x, screen.y)));
    return {p.x(), p.y()};
}

void Gui::movePointer(Point screen) {
    // The platform reports the move as a mouse move, as Windows does after SetCursorPos;
    // the canvas under the pointer (or holding the mouse) turns it into a pointer-moved event.
    impl_->pointer = QPoint(screen.x, screen.y);
    QCursor::setPos(screen.x, screen.y);
}

Point Gui::controlScreenPosition(ControlNumber c) const {
    const QPoint p = impl_->widget(c)->mapToGlobal(QPoint(0, 0));
    return {p.x(), p.y()};
}

void Gui::setCanvasScale(ControlNumber c, double scale, ZoomAnchor anchor) {
    CanvasWidget* canvas = impl_->canvas(c);
    const QScrollArea* area = canvas->scrollArea();
    QPoint at;
    if (area != nullptr) {
        const QWidget* visible = area->viewport();
        const Point screen = pointerOnScreen();
        at = visible->mapFromGlobal(QPoint(screen.x, screen.y));
        const QRect shown = visible->rect() & canvas->geometry().translated(
                                                  canvas->parentWidget()->pos());
        if (anchor == ZoomAnchor::Centre || !shown.contains(at)) at = shown.center();
    }
    canvas->setScale(scale, at);
}

double Gui::canvasScale(ControlNumber c) const {
    return impl_->canvas(c)->scale();
}

Size Gui::scrollViewportSize(ControlNumber scrollArea) const {
    const auto* area = qobject_cast<QScrollArea*>(impl_->widget(scrollArea));
    if (area == nullptr) return {};
    const QSize size = area->maximumViewportSize();
    return {size.width(), size.height()};
}

void Gui::setCanvasOverlay(ControlNumber c, std::optional<Rect> outline,
                           std::optional<Rect> handle) {
    impl_->canvas(c)->setOverlay(outline, handle);
}

Point Gui::canvasPixelOnDisplay(ControlNumber c, Point pixel) const {
    const QPoint p = impl_->canvas(c)->centreOf(QPoint(pixel.x, pixel.y));
    return {p.x(), p.y()};
}

}  // namespace vd::gui
