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
    {Qt::Key_Plus, 107},    {Qt::Key_Equal, 187},  {Qt::Key_Minus, 189},
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
