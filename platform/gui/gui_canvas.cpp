// The canvas and the pointer.

#include <QCursor>
#include <QGuiApplication>

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
    impl_->canvas(c)->update();
}

void Gui::canvasUpdated(ControlNumber c, Rect area) {
    impl_->canvas(c)->update(toQt(area));
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
    const QPoint p = impl_->widget(c)->mapFromGlobal(QPoint(screen.x, screen.y));
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

}  // namespace vd::gui
