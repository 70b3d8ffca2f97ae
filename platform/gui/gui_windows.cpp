// Windows: the tables, opening and closing, geometry, the status bar.

#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QStatusBar>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <stdexcept>

#include "platform/gui/gui_impl.h"
#include "platform/gui/qt_access.h"

namespace vd::gui {

QString toQt(const std::string& text) {
    return QString::fromStdString(text);
}
std::string fromQt(const QString& text) {
    return text.toStdString();
}
QRect toQt(Rect r) {
    return QRect(r.x, r.y, r.width, r.height);
}
Rect fromQt(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}
QColor toQColor(Color c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}
Color fromQColor(const QColor& c) {
    return makeColor(c.red(), c.green(), c.blue());
}

QString buttonLabel(const std::string& text) {
    return toQt(text).replace(QLatin1Char('&'), QLatin1String("&&"));
}

Gui::Impl::Impl(Requesters& r, Clock& c, Desktop& d)
    : requesters(r),
      clock(c),
      desktop(d),
      windowFilter(std::make_unique<WindowEventFilter>(*this)),
      inputFilter(std::make_unique<UserInputFilter>(*this)),
      wakeTimer(std::make_unique<QTimer>()) {
    wakeTimer->setSingleShot(true);
    wakeTimer->setTimerType(Qt::PreciseTimer);
    qApp->installEventFilter(inputFilter.get());
}

Gui::Impl::~Impl() {
    qApp->removeEventFilter(inputFilter.get());
    while (!windows.empty())
        closeWindowAndOwned(windowNumber(windows.rbegin()->first));
}

WindowRecord* Gui::Impl::findWindow(WindowNumber n) {
    auto it = windows.find(toInt(n));
    if (it == windows.end() || !it->second.widget) return nullptr;
    return &it->second;
}

ControlRecord* Gui::Impl::findControl(ControlNumber c) {
    auto it = controls.find(toInt(c));
    if (it == controls.end() || !it->second.widget) return nullptr;
    return &it->second;
}

WindowRecord& Gui::Impl::window(WindowNumber n) {
    if (auto* record = findWindow(n)) return *record;
    throw std::out_of_range("no window " + std::to_string(toInt(n)));
}

const WindowRecord& Gui::Impl::window(WindowNumber n) const {
    return const_cast<Impl*>(this)->window(n);
}

ControlRecord& Gui::Impl::control(ControlNumber c) {
    if (auto* record = findControl(c)) return *record;
    throw std::out_of_range("no control " + std::to_string(toInt(c)));
}

const ControlRecord& Gui::Impl::control(ControlNumber c) const {
    return const_cast<Impl*>(this)->control(c);
}

QWidget* Gui::Impl::widget(ControlNumber c) const {
    return control(c).widget;
}

std::optional<WindowNumber> Gui::Impl::windowOf(const QWidget* widget) const {
    for (const auto& [number, record] : windows)
        if (record.widget == widget) return windowNumber(number);
    return std::nullopt;
}

std::optional<ControlNumber> Gui::Impl::controlOf(const QWidget* widget) const {
    // A control's own parts (a spin box's edit field) count as the control.
    for (; widget; widget = widget->parentWidget()) {
        for (const auto& [number, record] : controls)
            if (record.widget == widget) return controlNumber(number);
        if (widget->isWindow()) break;
    }
    return std::nullopt;
}

void Gui::Impl::closeWindowAndOwned(WindowNumber n) {
    // Owned windows are Qt children of their owner and would go with it; close them
    // properly first so that the tables never point at deleted widgets.
    std::vector<WindowNumber> owned;
    for (const auto& [number, record] : windows)
        if (record.owner == n) owned.push_back(windowNumber(number));
    for (WindowNumber child : owned)
        closeWindowAndOwned(child);

    auto it = windows.find(toInt(n));
    if (it == windows.end()) return;
    std::vector<ControlNumber> gone;
    for (const auto& [number, record] : controls)
        if (record.window == n) gone.push_back(controlNumber(number));
    for (ControlNumber c : gone) {
        controls.erase(toInt(c));
        canvasCallbacks.erase(toInt(c));
    }
    // Events of a closed window would reach whatever takes its numbers next.
    std::erase_if(queue, [&](const Event& e) {
        if (e.kind == EventKind::Custom) return false;
        return e.window == n || std::find(gone.begin(), gone.end(), e.control) != gone.end();
    });
    QWidget* widget = it->second.widget;
    // A closing dialog hands the keyboard back to its owner, as window managers do for
    // transient windows; without one (a bare X server) the shortcuts would go dead.
    QWidget* owner = nullptr;
    if (it->second.owner && widget->isActiveWindow())
        if (WindowRecord* record = findWindow(*it->second.owner)) owner = record->widget;
    windows.erase(it);
    delete widget;
    if (owner) owner->activateWindow();
}

void Gui::Impl::layoutStatusBar(WindowRecord& record) {
    if (!record.statusBar || !record.widget) return;
    const QSize inner = record.widget->size();
    record.statusBar->setGeometry(0, inner.height() - record.statusHeight, inner.width(),
                                  record.statusHeight);
}

bool WindowEventFilter::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    const auto n = widget ? impl_.windowOf(widget) : std::nullopt;
    if (!n) return false;
    Event e;
    e.window = *n;
    switch (event->type()) {
        case QEvent::Close:
            // The program decides what a close box does; the window stays until it says so.
            event->ignore();
            e.kind = EventKind::Close;
            impl_.pushEvent(e);
            return true;
        case QEvent::Move:
            e.kind = EventKind::Move;
            impl_.pushEvent(e);
            return false;
        case QEvent::Resize:
            impl_.layoutStatusBar(impl_.window(*n));
            if (widget->isMinimized()) return false;
            e.kind = EventKind::Size;
            impl_.pushEvent(e);
            return false;
        case QEvent::Paint:
            // The background is filled before the paint event and the controls paint after
            // it, so the surface picture lands between them.
            impl_.paintSurface(impl_.window(*n), static_cast<QPaintEvent*>(event)->region());
            return false;
        case QEvent::WindowStateChange: {
            // Coming back from the task bar is a resize on Windows, even at the same size.
            auto* change = static_cast<QWindowStateChangeEvent*>(event);
            if ((change->oldState() & Qt::WindowMinimized) && !widget->isMinimized()) {
                e.kind = EventKind::Size;
                impl_.pushEvent(e);
            }
            return false;
        }
        default:
            return false;
    }
}

namespace {
Qt::WindowFlags flagsOf(WindowStyle style) {
    switch (style) {
        case WindowStyle::Main:
            return Qt::Window;
        case WindowStyle::Tool:
            return Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint;
        case WindowStyle::Notice:
            return Qt::ToolTip | Qt::FramelessWindowHint;
    }
    return Qt::Window;
}

// The colour the platform gives a window; status bars and scroll areas keep it whatever
// background their window gets.
void keepSystemBackground(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Shows a window that must not take the activation. Some platforms (the offscreen one among
// them) activate whatever is shown all the same: the activation then goes back to the window
// that had it, so its shortcuts keep working.
void showQuietly(QWidget* widget) {
    QWidget* const previous = QApplication::activeWindow();
    widget->show();
    QCoreApplication::processEvents();
    if (previous && previous != widget && QApplication::activeWindow() == widget) {
        previous->activateWindow();
        QCoreApplication::processEvents();
    }
}

void bringToFront(QWidget* widget) {
    // The offscreen platform stacks nothing and says so on every raise().
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) widget->raise();
    widget->activateWindow();
}
}  // namespace

// ---- Gui: windows

Gui::Gui(Requesters& requesters, Clock& clock, Desktop& desktop)
    : impl_(std::make_unique<Impl>(requesters, clock, desktop)) {}

Gui::~Gui() = default;

Requesters& Gui::requesters() {
    return impl_->requesters;
}
Clock& Gui::clock() {
    return impl_->clock;
}
Desktop& Gui::desktop() {
    return impl_->desktop;
}

bool Gui::openWindow(WindowNumber n, Rect r, const std::string& title, WindowStyle style,
                     std::optional<WindowNumber> owner, bool activate) {
    if (impl_->windows.count(toInt(n))) impl_->closeWindowAndOwned(n);
    if (owner && !impl_->findWindow(*owner)) owner.reset();
    QWidget* parent = owner ? impl_->window(*owner).widget.data() : nullptr;
    auto* widget = new QWidget(parent, flagsOf(style));
    widget->setWindowTitle(toQt(title));
    widget->setAttribute(Qt::WA_DeleteOnClose, false);
    const bool quiet = style == WindowStyle::Notice || !activate;
    widget->setAttribute(Qt::WA_ShowWithoutActivating, quiet);
    widget->move(r.x, r.y);
    if (style == WindowStyle::Main)
        widget->resize(std::max(r.width, 1), std::max(r.height, 1));
    else
        widget->setFixedSize(std::max(r.width, 1), std::max(r.height, 1));
    if (style == WindowStyle::Notice) keepSystemBackground(widget);

    WindowRecord record;
    record.widget = widget;
    record.style = style;
    record.owner = owner;
    impl_->windows[toInt(n)] = record;
    widget->installEventFilter(impl_->windowFilter.get());

    if (quiet) {
        showQuietly(widget);
    } else {
        widget->show();
        bringToFront(widget);
    }
    // Let the platform settle the window (activation, frame) before the program goes on.
    QCoreApplication::processEvents();
    return true;
}

bool Gui::openWindowCentred(WindowNumber n, Size inner, const std::string& title, WindowStyle style,
                            std::optional<WindowNumber> owner) {
    QRect around(0, 0, impl_->desktop.screenWidth(), impl_->desktop.screenHeight());
    if (owner && impl_->findWindow(*owner)) around = impl_->window(*owner).widget->frameGeometry();
    const QPoint guess = around.center() - QPoint(inner.width / 2, inner.height / 2);
    if (!openWindow(n, {guess.x(), guess.y(), inner.width, inner.height}, title, style, owner))
        return false;
    // The frame is known once the window is shown: centre the outer rectangle.
    QWidget* widget = impl_->window(n).widget;
    const QSize outer = widget->frameGeometry().size();
    widget->move(around.center() - QPoint(outer.width() / 2, outer.height() / 2));
    return true;
}

WindowNumber Gui::freshWindowNumber() const {
    int n = 1000;
    while (impl_->windows.count(n))
        ++n;
    return windowNumber(n);
}

bool Gui::windowExists(WindowNumber n) const {
    return impl_->findWindow(n) != nullptr;
}

void Gui::closeWindow(WindowNumber n) {
    impl_->closeWindowAndOwned(n);
}

void Gui::setTitle(WindowNumber n, const std::string& title) {
    impl_->window(n).widget->setWindowTitle(toQt(title));
}

std::string Gui::title(WindowNumber n) const {
    return fromQt(impl_->window(n).widget->windowTitle());
}

void Gui::setBackground(WindowNumber n, Color color) {
    QWidget* widget = impl_->window(n).widget;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, toQColor(color));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void Gui::setInnerSize(WindowNumber n, Size size) {
    WindowRecord& record = impl_->window(n);
    const QSize wanted(std::max(size.width, 1), std::max(size.height, 1));
    if (record.style == WindowStyle::Main)
        record.widget->resize(wanted);
    else
        record.widget->setFixedSize(wanted);
    impl_->layoutStatusBar(record);
}

void Gui::moveWindow(WindowNumber n, Point outerTopLeft) {
    impl_->window(n).widget->move(outerTopLeft.x, outerTopLeft.y);
}

void Gui::setMinimumInnerSize(WindowNumber n, Size size) {
    impl_->window(n).widget->setMinimumSize(size.width, size.height);
}

Rect Gui::innerRect(WindowNumber n) const {
    const QWidget* widget = impl_->window(n).widget;
    return {widget->mapToGlobal(QPoint(0, 0)).x(), widget->mapToGlobal(QPoint(0, 0)).y(),
            widget->width(), widget->height()};
}

Point Gui::outerPosition(WindowNumber n) const {
    const QPoint p = impl_->window(n).widget->frameGeometry().topLeft();
    return {p.x(), p.y()};
}

Size Gui::frameExtra(WindowNumber n) const {
    const QWidget* widget = impl_->window(n).widget;
    const QSize extra = widget->frameGeometry().size() - widget->size();
    return {extra.width(), extra.height()};
}

bool Gui::isMaximized(WindowNumber n) const {
    return impl_->window(n).widget->isMaximized();
}
bool Gui::isMinimized(WindowNumber n) const {
    return impl_->window(n).widget->isMinimized();
}

void Gui::activateWindow(WindowNumber n) {
    QWidget* widget = impl_->window(n).widget;
    if (widget->isMinimized() || widget->isMaximized()) widget->showNormal();
    widget->show();
    bringToFront(widget);
}

void Gui::hideWindow(WindowNumber n) {
    impl_->window(n).widget->hide();
}

void Gui::showWindowWithoutActivating(WindowNumber n) {
    QWidget* widget = impl_->window(n).widget;
    const bool was = widget->testAttribute(Qt::WA_ShowWithoutActivating);
    widget->setAttribute(Qt::WA_ShowWithoutActivating, true);
    showQuietly(widget);
    widget->setAttribute(Qt::WA_ShowWithoutActivating, was);
}

bool Gui::isVisible(WindowNumber n) const {
    return impl_->window(n).widget->isVisible();
}

void Gui::startTimer(WindowNumber n, int ms) {
    impl_->window(n).timer = WindowTimer{std::max(ms, 1), impl_->clock.nowMs() + std::max(ms, 1)};
}

void Gui::stopTimer(WindowNumber n) {
    if (auto* record = impl_->findWindow(n)) record->timer.reset();
}

// ---- The status bar

void Gui::createStatusBar(WindowNumber n, int fields, int rightFields) {
    WindowRecord& record = impl_->window(n);
    delete record.statusBar.data();
    record.statusFields.clear();
    auto* bar = new QStatusBar(record.widget);
    keepSystemBackground(bar);
    bar->setSizeGripEnabled(record.style == WindowStyle::Main);
    for (int i = 0; i < std::max(fields, 1); ++i) {
        auto* label = new QLabel(bar);
        label->setTextFormat(Qt::PlainText);
        bar->addWidget(label, 1);  // fields of automatic width share the bar equally
        record.statusFields.push_back(label);
    }
    for (int i = 0; i < rightFields; ++i) {
        auto* label = new QLabel(bar);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("Fit 100.0%")));
        bar->addPermanentWidget(label);
        record.statusFields.push_back(label);
    }
    record.statusBar = bar;
    record.statusHeight = std::max(bar->sizeHint().height(), 20);
    impl_->layoutStatusBar(record);
    bar->show();
    bar->raise();
}

void Gui::setStatusText(WindowNumber n, int field, const std::string& text) {
    WindowRecord& record = impl_->window(n);
    if (field < 0 || field >= static_cast<int>(record.statusFields.size())) return;
    record.statusFields[static_cast<std::size_t>(field)]->setText(toQt(text));
}

std::string Gui::statusText(WindowNumber n, int field) const {
    const WindowRecord& record = impl_->window(n);
    if (field < 0 || field >= static_cast<int>(record.statusFields.size())) return {};
    return fromQt(record.statusFields[static_cast<std::size_t>(field)]->text());
}

int Gui::statusBarHeight(WindowNumber n) const {
    return impl_->window(n).statusHeight;
}

Image Gui::grabWindow(WindowNumber n) const {
    const QImage shot =
        impl_->window(n).widget->grab().toImage().convertToFormat(QImage::Format_RGBA8888);
    Image image(std::max(shot.width(), 1), std::max(shot.height(), 1), 32);
    for (int y = 0; y < shot.height(); ++y) {
        const auto* line = reinterpret_cast<const Color*>(shot.constScanLine(y));
        std::copy(line, line + shot.width(), image.row(y));
    }
    return image;
}

// ---- Access for Qt-level helpers and tests

QWidget* widgetOf(const Gui& gui, ControlNumber c) {
    return gui.impl().widget(c);
}
QWidget* windowWidget(const Gui& gui, WindowNumber n) {
    return gui.impl().window(n).widget;
}

}  // namespace vd::gui
