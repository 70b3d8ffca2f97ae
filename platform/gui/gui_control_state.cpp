// Controls: reading and changing their state. Nothing here posts an event: on Windows too,
// what the program sets is not reported back to it as a user action.

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>

#include "platform/gui/gui_impl.h"

namespace vd::gui {

bool Gui::controlExists(ControlNumber c) const {
    return impl_->findControl(c) != nullptr;
}

std::optional<ControlNumber> Gui::controlAt(WindowNumber w, Rect place) const {
    for (const auto& [number, record] : impl_->controls)
        if (record.window == w && record.widget && fromQt(record.widget->geometry()) == place)
            return controlNumber(number);
    return std::nullopt;
}

void Gui::setEnabled(ControlNumber c, bool enabled) {
    impl_->widget(c)->setEnabled(enabled);
}

bool Gui::isEnabled(ControlNumber c) const {
    return impl_->widget(c)->isEnabled();
}

void Gui::setChecked(ControlNumber c, bool checked) {
    auto* button = qobject_cast<QAbstractButton*>(impl_->widget(c));
    if (!button) return;
    // An exclusive group refuses to clear its chosen button; the program may.
    QButtonGroup* group = button->group();
    const bool exclusive = group && group->exclusive();
    if (exclusive && !checked) group->setExclusive(false);
    button->setChecked(checked);
    if (exclusive && !checked) group->setExclusive(true);
}

bool Gui::isChecked(ControlNumber c) const {
    auto* button = qobject_cast<QAbstractButton*>(impl_->widget(c));
    return button && button->isChecked();
}

void Gui::setText(ControlNumber c, const std::string& text) {
    const ControlRecord& record = impl_->control(c);
    QWidget* widget = record.widget;
    switch (record.kind) {
        case ControlKind::CheckBox:
        case ControlKind::PushButton:
        case ControlKind::OptionButton:
            static_cast<QAbstractButton*>(widget)->setText(buttonLabel(text));
            break;
        case ControlKind::ImageButton:
            widget->setToolTip(toQt(text));
            break;
        case ControlKind::GroupFrame:
            static_cast<QGroupBox*>(widget)->setTitle(toQt(text));
            break;
        case ControlKind::TextLabel:
            static_cast<QLabel*>(widget)->setText(toQt(text));
            break;
        case ControlKind::DigitsField:
        case ControlKind::ReadOnlyField:
            static_cast<QLineEdit*>(widget)->setText(toQt(text));
            break;
        case ControlKind::SpinBox:
            static_cast<SpinBoxControl*>(widget)->setText(toQt(text));
            break;
        case ControlKind::ReadOnlyText:
        case ControlKind::TextBox:
            static_cast<QPlainTextEdit*>(widget)->setPlainText(toQt(text));
            break;
        case ControlKind::DropDown:
        case ControlKind::TrackBar:
        case ControlKind::Picture:
        case ControlKind::ScrollArea:
        case ControlKind::Canvas:
            break;
    }
}

std::string Gui::text(ControlNumber c) const {
    const ControlRecord& record = impl_->control(c);
    QWidget* widget = record.widget;
    switch (record.kind) {
        case ControlKind::CheckBox:
        case ControlKind::PushButton:
        case ControlKind::OptionButton:
            return fromQt(static_cast<QAbstractButton*>(widget)->text().replace(
                QLatin1String("&&"), QLatin1String("&")));
        case ControlKind::ImageButton:
            return fromQt(widget->toolTip());
        case ControlKind::GroupFrame:
            return fromQt(static_cast<QGroupBox*>(widget)->title());
        case ControlKind::TextLabel:
            return fromQt(static_cast<QLabel*>(widget)->text());
        case ControlKind::DigitsField:
        case ControlKind::ReadOnlyField:
            return fromQt(static_cast<QLineEdit*>(widget)->text());
        case ControlKind::SpinBox:
            return fromQt(static_cast<SpinBoxControl*>(widget)->text());
        case ControlKind::ReadOnlyText:
        case ControlKind::TextBox:
            return fromQt(static_cast<QPlainTextEdit*>(widget)->toPlainText());
        case ControlKind::DropDown:
            return fromQt(static_cast<QComboBox*>(widget)->currentText());
        case ControlKind::TrackBar:
        case ControlKind::Picture:
        case ControlKind::ScrollArea:
        case ControlKind::Canvas:
            break;
    }
    return {};
}

void Gui::setControlRect(ControlNumber c, Rect r) {
    ControlRecord& record = impl_->control(c);
    if (record.kind == ControlKind::Canvas) {
        static_cast<CanvasWidget*>(record.widget.data())->resizePixels({r.width, r.height});
        record.widget->move(r.x, r.y);
        return;
    }
    record.widget->setGeometry(toQt(r));
}

Rect Gui::controlRect(ControlNumber c) const {
    return fromQt(impl_->widget(c)->geometry());
}

void Gui::setPicture(ControlNumber c, const Image& image) {
    const ControlRecord& record = impl_->control(c);
    if (record.kind == ControlKind::Picture) {
        static_cast<PictureWidget*>(record.widget.data())->setImage(image);
    } else if (auto* button = qobject_cast<QPushButton*>(record.widget.data())) {
        const QImage picture = opaqueCopy(image);
        button->setIcon(QIcon(QPixmap::fromImage(picture)));
        button->setIconSize(picture.size());
    }
}

void Gui::setToolTip(ControlNumber c, const std::string& text) {
    impl_->widget(c)->setToolTip(toQt(text));
}

void Gui::setTextStyle(ControlNumber c, const FontChoice& font, std::optional<Color> textColor,
                       std::optional<Color> background) {
    QWidget* widget = impl_->widget(c);
    QFont qfont(toQt(font.name), font.points);
    qfont.setBold(isBold(font.style));
    qfont.setItalic(isItalic(font.style));
    qfont.setUnderline(font.underline);
    qfont.setStrikeOut(font.strikeOut);
    widget->setFont(qfont);
    QPalette palette = widget->palette();
    // Edit boxes paint on Base with Text; labels on Window with WindowText.
    const bool label = impl_->control(c).kind == ControlKind::TextLabel;
    if (textColor)
        palette.setColor(label ? QPalette::WindowText : QPalette::Text, toQColor(*textColor));
    if (background)
        palette.setColor(label ? QPalette::Window : QPalette::Base, toQColor(*background));
    widget->setPalette(palette);
    if (label && background) widget->setAutoFillBackground(true);
}

int Gui::selectedRow(ControlNumber c) const {
    auto* list = qobject_cast<QComboBox*>(impl_->widget(c));
    return list ? list->currentIndex() : -1;
}

void Gui::selectRow(ControlNumber c, int row) {
    auto* list = qobject_cast<QComboBox*>(impl_->widget(c));
    if (!list) return;
    list->setCurrentIndex(row >= 0 && row < list->count() ? row : -1);
}

std::optional<int> Gui::rowData(ControlNumber c, int row) const {
    auto* list = qobject_cast<QComboBox*>(impl_->widget(c));
    if (!list || row < 0 || row >= list->count()) return std::nullopt;
    const QVariant data = list->itemData(row);
    if (!data.isValid()) return std::nullopt;
    return data.toInt();
}

void Gui::setRowData(ControlNumber c, int row, int data) {
    auto* list = qobject_cast<QComboBox*>(impl_->widget(c));
    if (!list || row < 0 || row >= list->count()) return;
    list->setItemData(row, data);
}

int Gui::value(ControlNumber c) const {
    QWidget* widget = impl_->widget(c);
    if (auto* box = dynamic_cast<SpinBoxControl*>(widget)) return box->value();
    if (auto* bar = qobject_cast<QSlider*>(widget)) return bar->value();
    return 0;
}

void Gui::setValue(ControlNumber c, int value) {
    QWidget* widget = impl_->widget(c);
    if (auto* box = dynamic_cast<SpinBoxControl*>(widget)) {
        box->setValueClamped(value);
    } else if (auto* bar = qobject_cast<QSlider*>(widget)) {
        const QSignalBlocker quiet(bar);
        bar->setValue(value);
    }
}

void Gui::setRange(ControlNumber c, int minimum, int maximum) {
    QWidget* widget = impl_->widget(c);
    if (auto* box = dynamic_cast<SpinBoxControl*>(widget)) {
        box->setRange(minimum, maximum);
    } else if (auto* bar = qobject_cast<QSlider*>(widget)) {
        const QSignalBlocker quiet(bar);
        bar->setRange(minimum, maximum);
    }
}

int Gui::maximum(ControlNumber c) const {
    QWidget* widget = impl_->widget(c);
    if (auto* box = dynamic_cast<SpinBoxControl*>(widget)) return box->maximum();
    if (auto* bar = qobject_cast<QSlider*>(widget)) return bar->maximum();
    return 0;
}

void Gui::setFocus(ControlNumber c) {
    impl_->widget(c)->setFocus(Qt::OtherFocusReason);
}

std::optional<ControlNumber> Gui::focusedControl() const {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) {
        // Without an active window (tests, a window just opened) the last focus of the
        // window in front counts.
        if (QWidget* active = QApplication::activeWindow()) focus = active->focusWidget();
    }
    return focus ? impl_->controlOf(focus) : std::nullopt;
}

void Gui::setScrollContentSize(ControlNumber scrollArea, Size size) {
    ControlRecord& record = impl_->control(scrollArea);
    if (record.inner) record.inner->resize(std::max(size.width, 0), std::max(size.height, 0));
}

Point Gui::scrollPosition(ControlNumber scrollArea) const {
    auto* area = qobject_cast<QScrollArea*>(impl_->widget(scrollArea));
    if (!area) return {};
    return {area->horizontalScrollBar()->value(), area->verticalScrollBar()->value()};
}

}  // namespace vd::gui
