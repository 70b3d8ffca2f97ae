#pragma once

// Qt widgets with the behaviour the windowing layer needs. Private to platform/gui. None of
// them runs program code: they only hand events to the sink, which queues them.

#include <QAbstractSpinBox>
#include <QFrame>
#include <QImage>
#include <QLineEdit>
#include <QWidget>
#include <functional>

#include "platform/gui/gui.h"

namespace vd::gui {

// Where the widgets deliver what happened to them.
class EventSink {
  public:
    virtual void pushEvent(const Event& event) = 0;
    // Every mouse event over one of our widgets reports where the pointer is on screen.
    virtual void notePointer(QPoint screen) = 0;

  protected:
    ~EventSink() = default;
};

// Modifier bits (MOD_SHIFT ...) of Qt modifiers.
int modifierBits(Qt::KeyboardModifiers modifiers);
// Windows key code of a Qt key, 0 for keys the program has no name for.
int windowsKeyCode(int qtKey);
// Qt key of a Windows key code (the inverse of windowsKeyCode), Qt::Key_unknown if none.
int qtKeyOf(int keyCode);
Qt::KeyboardModifiers qtModifiers(int modifierBits);

// A QImage over the image's own pixels (no copy), alpha ignored: what the screen shows.
QImage opaqueView(const Image& image);
// A copy of the image as Qt sees it, alpha ignored.
QImage opaqueCopy(const Image& image);

// A spin box whose text is its own: the arrows step the value and write it into the text,
// typing changes only the text.
class SpinBoxControl : public QAbstractSpinBox {
  public:
    SpinBoxControl(QWidget* parent, std::function<void(int type)> onUser);

    int value() const { return value_; }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    void setValueClamped(int value);
    void setRange(int minimum, int maximum);
    QString text() const { return lineEdit()->text(); }
    void setText(const QString& text) { lineEdit()->setText(text); }

    void stepBy(int steps) override;

  protected:
    StepEnabled stepEnabled() const override;

  private:
    std::function<void(int type)> onUser_;
    int value_ = 0, minimum_ = 0, maximum_ = 99;
};

// A picture control: shows an image; a left click reports where it hit.
class PictureWidget : public QFrame {
  public:
    PictureWidget(QWidget* parent, bool bordered, std::function<void(QPoint at)> onClick);
    void setImage(const Image& image);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QImage image_;
    std::function<void(QPoint)> onClick_;
};

// Check boxes and option buttons answer to a click anywhere in their rectangle, as on
// Windows, not only on the box and the text.
template <class Button>
class WholeRectButton : public Button {
  public:
    using Button::Button;

  protected:
    bool hitButton(const QPoint& at) const override { return this->rect().contains(at); }
};

// A read-only one-line field that reports receiving the focus.
class FocusField : public QLineEdit {
  public:
    FocusField(QWidget* parent, std::function<void()> onFocus);

  protected:
    void focusInEvent(QFocusEvent* event) override;

  private:
    std::function<void()> onFocus_;
};

}  // namespace vd::gui
