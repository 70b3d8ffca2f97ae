// Controls: creating each kind and wiring its user actions to the event queue.

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>

#include "platform/gui/gui_impl.h"

namespace vd::gui {

QWidget* Gui::Impl::parentFor(WindowNumber w) {
    return window(w).widget;
}

void Gui::Impl::registerControl(WindowNumber w, ControlNumber c, ControlKind kind, QWidget* widget,
                                Rect r) {
    if (controlFont && kind != ControlKind::Canvas) widget->setFont(*controlFont);
    widget->setGeometry(toQt(r));
    controls[toInt(c)] = ControlRecord{kind, w, widget, nullptr};
    widget->show();
    // Controls created after the status bar stay under it, as on Windows.
    if (auto* record = findWindow(w); record && record->statusBar) record->statusBar->raise();
}

void Gui::Impl::removeControl(ControlNumber c) {
    auto it = controls.find(toInt(c));
    if (it == controls.end()) return;
    QWidget* widget = it->second.widget;
    controls.erase(it);
    canvasCallbacks.erase(toInt(c));
    delete widget;
}

void Gui::Impl::postControlEvent(WindowNumber w, ControlNumber c, int type, int x, int y) {
    Event event;
    event.kind = EventKind::Control;
    event.window = w;
    event.control = c;
    event.type = type;
    event.x = x;
    event.y = y;
    pushEvent(event);
}

ControlNumber Gui::freshControlNumber() const {
    int n = 1000;
    while (impl_->controls.count(n))
        ++n;
    return controlNumber(n);
}

namespace {
// Metric twins stand in for the fonts the program names (Liberation Sans for Arial): a
// name counts as available when it is installed or when fontconfig maps it to another
// font than the one it gives for a name that surely does not exist.
bool fontIsAvailable(const QString& name) {
    const QStringList families = QFontDatabase::families();
    if (families.contains(name, Qt::CaseInsensitive)) return true;
    const QString matched = QFontInfo(QFont(name)).family();
    const QString fallback = QFontInfo(QFont(QStringLiteral("vd-no-such-font-x9"))).family();
    return matched.compare(fallback, Qt::CaseInsensitive) != 0;
}
}  // namespace

bool Gui::setControlFont(const std::string& name, int points) {
    if (!fontIsAvailable(toQt(name)) || points <= 0) return false;
    impl_->controlFont = QFont(toQt(name), points);
    return true;
}

void Gui::addCheckBox(WindowNumber w, ControlNumber c, Rect r, const std::string& label) {
    impl_->removeControl(c);
    auto* box = new WholeRectButton<QCheckBox>(buttonLabel(label), impl_->parentFor(w));
    QObject::connect(box, &QCheckBox::clicked, box,
                     [d = impl_.get(), w, c] { d->postControlEvent(w, c, CONTROL_ACTIVATED); });
    impl_->registerControl(w, c, ControlKind::CheckBox, box, r);
}

void Gui::addPushButton(WindowNumber w, ControlNumber c, Rect r, const std::string& label) {
    impl_->removeControl(c);
    auto* button = new QPushButton(buttonLabel(label), impl_->parentFor(w));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button,
                     [d = impl_.get(), w, c] { d->postControlEvent(w, c, CONTROL_ACTIVATED); });
    impl_->registerControl(w, c, ControlKind::PushButton, button, r);
}

void Gui::addImageButton(WindowNumber w, ControlNumber c, Rect r, const Image& picture,
                         const std::string& toolTip) {
    impl_->removeControl(c);
    auto* button = new QPushButton(impl_->parentFor(w));
    button->setAutoDefault(false);
    button->setToolTip(toQt(toolTip));
    QObject::connect(button, &QPushButton::clicked, button,
                     [d = impl_.get(), w, c] { d->postControlEvent(w, c, CONTROL_ACTIVATED); });
    impl_->registerControl(w, c, ControlKind::ImageButton, button, r);
    setPicture(c, picture);
}

void Gui::addOptionButton(WindowNumber w, ControlNumber c, Rect r, const std::string& label,
                          bool startsGroup) {
    impl_->removeControl(c);
    WindowRecord& window = impl_->window(w);
    if (startsGroup || !window.optionGroup) window.optionGroup = new QButtonGroup(window.widget);
    auto* button = new WholeRectButton<QRadioButton>(buttonLabel(label), window.widget);
    window.optionGroup->addButton(button);
    QObject::connect(button, &QRadioButton::clicked, button,
                     [d = impl_.get(), w, c] { d->postControlEvent(w, c, CONTROL_ACTIVATED); });
    impl_->registerControl(w, c, ControlKind::OptionButton, button, r);
}

void Gui::addGroupFrame(WindowNumber w, ControlNumber c, Rect r, const std::string& label) {
    impl_->removeControl(c);
    auto* frame = new QGroupBox(toQt(label), impl_->parentFor(w));
    // A frame only frames: it lies under the controls and lets clicks through to them.
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->setFocusPolicy(Qt::NoFocus);
    impl_->registerControl(w, c, ControlKind::GroupFrame, frame, r);
    frame->lower();
}

void Gui::addTextLabel(WindowNumber w, ControlNumber c, Rect r, const std::string& text,
                       std::optional<Color> background, bool centred) {
    impl_->removeControl(c);
    auto* label = new QLabel(toQt(text), impl_->parentFor(w));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    // Static text on Windows starts at the top of its box.
    label->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    if (background) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, toQColor(*background));
        label->setPalette(palette);
        label->setAutoFillBackground(true);
    }
    impl_->registerControl(w, c, ControlKind::TextLabel, label, r);
}

void Gui::addDigitsField(WindowNumber w, ControlNumber c, Rect r, const std::string& text) {
    impl_->removeControl(c);
    auto* field = new QLineEdit(toQt(text), impl_->parentFor(w));
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
    // textEdited: the user's typing only, never text the program writes.
    QObject::connect(field, &QLineEdit::textEdited, field,
                     [d = impl_.get(), w, c] { d->postControlEvent(w, c, TEXT_EDITED); });
    impl_->registerControl(w, c, ControlKind::DigitsField, field, r);
}

void Gui::addDropDown(WindowNumber w, ControlNumber c, Rect r) {
    impl_->removeControl(c);
    auto* list = new QComboBox(impl_->parentFor(w));
    list->setMaxVisibleItems(20);
    // activated: chosen by the user, not set by the program.
    QObject::connect(list, &QComboBox::activated, list,
                     [d = impl_.get(), w, c] { d->postControlEvent(w, c, CONTROL_ACTIVATED); });
    impl_->registerControl(w, c, ControlKind::DropDown, list, r);
}

void Gui::addDropDownRow(ControlNumber c, const std::string& label, std::optional<int> data) {
    auto* list = qobject_cast<QComboBox*>(impl_->widget(c));
    if (!list) return;
    list->addItem(toQt(label), data ? QVariant(*data) : QVariant());
}

void Gui::addSpinBox(WindowNumber w, ControlNumber c, Rect r, int minimum, int maximum, int value) {
    impl_->removeControl(c);
    auto* box = new SpinBoxControl(impl_->parentFor(w), [d = impl_.get(), w, c](int type) {
        d->postControlEvent(w, c, type);
    });
    box->setRange(minimum, maximum);
    box->setValueClamped(value);
    box->setText(QString::number(box->value()));
    impl_->registerControl(w, c, ControlKind::SpinBox, box, r);
}

void Gui::addTrackBar(WindowNumber w, ControlNumber c, Rect r, int minimum, int maximum,
                      int value) {
    impl_->removeControl(c);
    auto* bar = new QSlider(Qt::Horizontal, impl_->parentFor(w));
    bar->setRange(minimum, maximum);
    bar->setValue(value);
    // Connected after the set-up; setValue from the program blocks the signal.
    QObject::connect(bar, &QSlider::valueChanged, bar,
                     [d = impl_.get(), w, c] { d->postControlEvent(w, c, TRACK_MOVED); });
    impl_->registerControl(w, c, ControlKind::TrackBar, bar, r);
}

void Gui::addReadOnlyText(WindowNumber w, ControlNumber c, Rect r, const std::string& text) {
    impl_->removeControl(c);
    auto* box = new QPlainTextEdit(toQt(text), impl_->parentFor(w));
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    impl_->registerControl(w, c, ControlKind::ReadOnlyText, box, r);
}

void Gui::addTextBox(WindowNumber w, ControlNumber c, Rect r, const std::string& text) {
    impl_->removeControl(c);
    auto* box = new QPlainTextEdit(toQt(text), impl_->parentFor(w));
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setTabChangesFocus(true);
    impl_->registerControl(w, c, ControlKind::TextBox, box, r);
}

void Gui::addReadOnlyField(WindowNumber w, ControlNumber c, Rect r, const std::string& text) {
    impl_->removeControl(c);
    auto* field = new FocusField(
        impl_->parentFor(w), [d = impl_.get(), w, c] { d->postControlEvent(w, c, FOCUS_GAINED); });
    field->setText(toQt(text));
    impl_->registerControl(w, c, ControlKind::ReadOnlyField, field, r);
}

void Gui::addPicture(WindowNumber w, ControlNumber c, Rect r, const Image& image, bool bordered) {
    impl_->removeControl(c);
    auto* picture =
        new PictureWidget(impl_->parentFor(w), bordered, [d = impl_.get(), w, c](QPoint at) {
            d->postControlEvent(w, c, CONTROL_ACTIVATED, at.x(), at.y());
        });
    picture->setImage(image);
    impl_->registerControl(w, c, ControlKind::Picture, picture, r);
}

void Gui::addScrollArea(WindowNumber w, ControlNumber c, Rect r, int scrollStep, Size inner) {
    impl_->removeControl(c);
    auto* area = new QScrollArea(impl_->parentFor(w));
    area->setWidgetResizable(false);
    area->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    area->setFocusPolicy(Qt::NoFocus);
    auto* content = new QWidget;
    content->resize(inner.width > 0 ? inner.width : r.width,
                    inner.height > 0 ? inner.height : r.height);
    area->setWidget(content);
    area->horizontalScrollBar()->setSingleStep(std::max(scrollStep, 1));
    area->verticalScrollBar()->setSingleStep(std::max(scrollStep, 1));
    // The inner area keeps the system's colour whatever the window's background.
    QPalette palette = area->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
    area->setPalette(palette);
    area->viewport()->setAutoFillBackground(true);
    content->setAutoFillBackground(true);
    impl_->registerControl(w, c, ControlKind::ScrollArea, area, r);
    impl_->control(c).inner = content;
}

void Gui::addCanvas(ControlNumber scrollArea, ControlNumber c, Size size) {
    impl_->removeControl(c);
    const ControlRecord& area = impl_->control(scrollArea);
    auto* canvas = new CanvasWidget(area.inner, *impl_, area.window, c, size);
    impl_->registerControl(area.window, c, ControlKind::Canvas, canvas,
                           {0, 0, canvas->width(), canvas->height()});
}

}  // namespace vd::gui
