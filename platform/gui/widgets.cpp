#include "platform/gui/widgets.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace vd::gui {

int modifierBits(Qt::KeyboardModifiers modifiers) {
    int bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= MOD_SHIFT;
    if (modifiers & Qt::AltModifier) bits |= MOD_ALT;
    if (modifiers & Qt::ControlModifier) bits |= MOD_CTRL;
    return bits;
}

Qt::KeyboardModifiers qtModifiers(int bits) {
    Qt::KeyboardModifiers modifiers;
    if (bits & MOD_SHIFT) modifiers |= Qt::ShiftModifier;
    if (bits & MOD_ALT) modifiers |= Qt::AltModifier;
    if (bits & MOD_CTRL) modifiers |= Qt::ControlModifier;
    return modifiers;
}

namespace {
struct KeyPair {
    int qt;
    int windows;
};
// Keys whose Windows code differs from Qt's; letters and digits share their ASCII codes.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},      {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},      {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33},  {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
    {Qt::Key_Home, 36},     {Qt::Key_Left, 37},    {Qt::Key_Up, 38},       {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},  {Qt::Key_Delete, 46},
};
}  // namespace

int windowsKeyCode(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return KEY_F1 + (qtKey - Qt::Key_F1);
    for (const auto& pair : kKeys)
        if (pair.qt == qtKey) return pair.windows;
    return 0;
}

int qtKeyOf(int keyCode) {
    if ((keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9')) return keyCode;
    if (keyCode >= KEY_F1 && keyCode < KEY_F1 + 24) return Qt::Key_F1 + (keyCode - KEY_F1);
    for (const auto& pair : kKeys)
        if (pair.windows == keyCode) return pair.qt;
    return Qt::Key_unknown;
}

QImage opaqueView(const Image& image) {
    return QImage(reinterpret_cast<const uchar*>(image.pixels().data()), image.width(),
                  image.height(), image.width() * 4, QImage::Format_RGBX8888);
}

QImage opaqueCopy(const Image& image) {
    if (image.empty()) return {};
    QImage copy(image.width(), image.height(), QImage::Format_RGBX8888);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<Color*>(copy.scanLine(y));
        const Color* source = image.row(y);
        for (int x = 0; x < image.width(); ++x)
            line[x] = source[x] | kAlphaMask;
    }
    return copy;
}

// ---- CanvasWidget

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

void CanvasWidget::resizePixels(Size size) {
    if (pixels_.width() != size.width || pixels_.height() != size.height) keepWhatFits(size);
    resize(pixels_.width(), pixels_.height());
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

void CanvasWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect area = event->rect();
    painter.drawImage(area.topLeft(), opaqueView(pixels_), area);
}

void CanvasWidget::post(int type, QPoint at, Qt::KeyboardModifiers modifiers, int keyCode) {
    Event event;
    event.kind = EventKind::Control;
    event.window = window_;
    event.control = number_;
    event.type = type;
    event.x = at.x();
    event.y = at.y();
    event.keyCode = keyCode;
    event.modifiers = modifierBits(modifiers);
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
    }
    event->accept();
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint screen = event->globalPosition().toPoint();
    sink_.notePointer(screen);
    if (event->buttons() & Qt::LeftButton) confinePointer(screen);
    post(CANVAS_POINTER_MOVED, event->position().toPoint(), event->modifiers());
    event->accept();
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

// ---- SpinBoxControl

SpinBoxControl::SpinBoxControl(QWidget* parent, std::function<void(int type)> onUser)
    : QAbstractSpinBox(parent), onUser_(std::move(onUser)) {
    setKeyboardTracking(true);
    setAccelerated(false);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { onUser_(TEXT_EDITED); });
}

void SpinBoxControl::setValueClamped(int value) {
    value_ = std::clamp(value, minimum_, maximum_);
    update();
}

void SpinBoxControl::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    setValueClamped(value_);
}

void SpinBoxControl::stepBy(int steps) {
    setValueClamped(value_ + steps);
    lineEdit()->setText(QString::number(value_));
    onUser_(SPIN_STEPPED);
}

QAbstractSpinBox::StepEnabled SpinBoxControl::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value_ < maximum_) enabled |= StepUpEnabled;
    if (value_ > minimum_) enabled |= StepDownEnabled;
    return enabled;
}

// ---- PictureWidget

PictureWidget::PictureWidget(QWidget* parent, bool bordered, std::function<void(QPoint)> onClick)
    : QFrame(parent), onClick_(std::move(onClick)) {
    if (bordered) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(2);
    }
}

void PictureWidget::setImage(const Image& image) {
    image_ = opaqueCopy(image);
    update();
}

void PictureWidget::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (image_.isNull()) return;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.drawImage(contentsRect().topLeft(), image_);
}

void PictureWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) onClick_(event->position().toPoint());
    event->accept();
}

// ---- FocusField

FocusField::FocusField(QWidget* parent, std::function<void()> onFocus)
    : QLineEdit(parent), onFocus_(std::move(onFocus)) {
    setReadOnly(true);
}

void FocusField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    onFocus_();
}

}  // namespace vd::gui
