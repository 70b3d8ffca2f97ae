// Input the windows answer themselves: shortcuts before the focused control, Return and Esc
// in dialogs, and windows whose input is held while a loop of the program drops their events.

#include <QAbstractButton>
#include <QKeyEvent>
#include <QWindow>
#include <algorithm>

#include "platform/gui/gui_impl.h"

namespace vd::gui {

namespace {

// What a person does to a control; moving the pointer is not among it.
bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
    }
}

bool isPointerButtonOrWheel(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick || type == QEvent::Wheel;
}

bool isDragOrDrop(QEvent::Type type) {
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::DragLeave ||
           type == QEvent::Drop;
}

bool isReturn(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

bool isButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::ImageButton;
}

bool isMultiLine(ControlKind kind) {
    return kind == ControlKind::TextBox || kind == ControlKind::ReadOnlyText;
}

}  // namespace

bool UserInputFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched->isWindowType())
        return isPointerButtonOrWheel(event->type()) &&
               impl_.holdsPointer(static_cast<QWindow*>(watched), *event);
    if (!watched->isWidgetType()) return false;
    const auto* widget = static_cast<QWidget*>(watched);
    const QEvent::Type type = event->type();
    if (type == QEvent::ShortcutOverride)
        return impl_.guardShortcut(widget, *static_cast<QKeyEvent*>(event));
    if (isDragOrDrop(type)) return impl_.takeDrop(widget, event);
    if (!isUserInput(type)) return false;
    if (type == QEvent::KeyPress && impl_.pressDialogKey(widget, *static_cast<QKeyEvent*>(event)))
        return true;
    return impl_.isHeld(widget);
}

std::optional<WindowNumber> Gui::Impl::windowAround(const QWidget* widget) const {
    return widget ? windowOf(widget->window()) : std::nullopt;
}

void Gui::Impl::press(ControlNumber c) {
    if (ControlRecord* record = findControl(c))
        if (auto* button = qobject_cast<QAbstractButton*>(record->widget.data())) button->click();
}

// ---- Return and Esc in dialogs

bool Gui::Impl::isDialogKey(const QWidget* receiver, const QKeyEvent& key) const {
    const auto n = windowAround(receiver);
    if (!n || !window(*n).dialogKeys) return false;
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    return key.key() == Qt::Key_Escape || isReturn(key.key());
}

bool Gui::Impl::pressDialogKey(const QWidget* receiver, const QKeyEvent& key) {
    if (!isDialogKey(receiver, key)) return false;
    const WindowNumber n = *windowAround(receiver);
    const Gui::DialogKeys keys = *window(n).dialogKeys;
    if (key.key() == Qt::Key_Escape) {
        pressEscape(n, keys);
        return true;
    }
    return pressReturn(receiver, keys);
}

void Gui::Impl::pressEscape(WindowNumber n, const Gui::DialogKeys& keys) {
    if (keys.cancel) {
        press(*keys.cancel);
        return;
    }
    Event close;
    close.kind = EventKind::Close;
    close.window = n;
    pushEvent(close);
}

bool Gui::Impl::pressReturn(const QWidget* receiver, const Gui::DialogKeys& keys) {
    // A text box takes the key as a line break, and a button the user moved to answers for
    // itself, as on every desktop.
    if (const auto focused = controlOf(receiver)) {
        const ControlKind kind = control(*focused).kind;
        if (isMultiLine(kind)) return false;
        if (isButton(kind)) {
            press(*focused);
            return true;
        }
    }
    if (!keys.ok) return false;
    press(*keys.ok);
    return true;
}

void Gui::setDialogKeys(WindowNumber w, DialogKeys keys) {
    impl_->window(w).dialogKeys = keys;
}

// ---- Held input

bool Gui::Impl::isHeld(const QWidget* receiver) const {
    const auto n = windowAround(receiver);
    if (!n) return false;
    const auto latest = std::find_if(inputHolds.rbegin(), inputHolds.rend(),
                                     [&](const InputHoldRecord& hold) { return hold.window == *n; });
    if (latest == inputHolds.rend()) return false;
    if (!latest->open) return true;
    const auto open = controls.find(toInt(*latest->open));
    if (open == controls.end() || !open->second.widget) return true;
    const QWidget* openWidget = open->second.widget;
    return receiver != openWidget && !openWidget->isAncestorOf(receiver);
}

// A click reaches the window before any widget of it, and Qt gives the focus to the widget
// under the pointer before the widget sees the click: a held click is dropped here, at the
// window, where the widget it is for is the pointer's grabber or the one under it.
bool Gui::Impl::holdsPointer(const QWindow* window, const QEvent& event) const {
    const QWidget* top = nullptr;
    for (const auto& [number, record] : windows)
        if (record.widget && record.widget->windowHandle() == window) top = record.widget;
    if (!top) return false;
    const QWidget* target = QWidget::mouseGrabber();
    if (!target || target->window() != top) {
        const QPoint at = static_cast<const QSinglePointEvent&>(event).position().toPoint();
        target = top->childAt(at);
    }
    return isHeld(target ? target : top);
}

int Gui::holdInput(WindowNumber w, std::optional<ControlNumber> open) {
    const int number = ++impl_->lastInputHold;
    impl_->inputHolds.push_back({number, w, open});
    return number;
}

void Gui::releaseInput(int hold) {
    std::erase_if(impl_->inputHolds,
                  [hold](const InputHoldRecord& record) { return record.number == hold; });
}

}  // namespace vd::gui
