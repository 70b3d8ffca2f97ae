// The event queue, the wait, window timers, pop-up menus and shortcuts.

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>
#include <algorithm>
#include <stdexcept>

#include "platform/gui/gui_impl.h"

namespace vd::gui {

namespace {
bool isPointerMove(const Event& e) {
    return e.kind == EventKind::Control && e.type == CANVAS_POINTER_MOVED;
}

bool collapses(const Event& queued, const Event& incoming) {
    if (isPointerMove(incoming)) return isPointerMove(queued) && queued.control == incoming.control;
    if (incoming.kind == EventKind::Move || incoming.kind == EventKind::Size)
        return queued.kind == incoming.kind && queued.window == incoming.window;
    return false;
}

bool isRawCanvasEvent(const Event& e) {
    return e.kind == EventKind::Control && e.type >= CANVAS_LEFT_DOWN && e.type <= CANVAS_KEY_DOWN;
}
}  // namespace

void Gui::Impl::pushEvent(const Event& event) {
    if (!queue.empty() && collapses(queue.back(), event)) {
        queue.back() = event;
        return;
    }
    queue.push_back(event);
}

void Gui::Impl::pumpQt() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Nothing else runs deferred deletes, since Qt's own exec() is never entered.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::optional<Event> Gui::Impl::takeQueued() {
    if (queue.empty()) return std::nullopt;
    Event event = queue.front();
    queue.pop_front();
    if (isRawCanvasEvent(event)) {
        // The callback runs here, in the program's own flow; what it posts queues behind.
        auto it = canvasCallbacks.find(toInt(event.control));
        if (it != canvasCallbacks.end() && it->second) {
            auto callback = it->second;  // it may replace itself
            callback(event);
        }
    }
    return event;
}

std::optional<Event> Gui::Impl::takeDueTimer() {
    const std::int64_t now = clock.nowMs();
    WindowRecord* due = nullptr;
    int dueNumber = 0;
    for (auto& [number, record] : windows) {
        if (!record.timer || record.timer->dueMs > now) continue;
        if (!due || record.timer->dueMs < due->timer->dueMs) {
            due = &record;
            dueNumber = number;
        }
    }
    if (!due) return std::nullopt;
    WindowTimer& timer = *due->timer;
    timer.dueMs += timer.intervalMs;
    if (timer.dueMs <= now) timer.dueMs = now + timer.intervalMs;  // late: no burst
    Event event;
    event.kind = EventKind::Timer;
    event.window = windowNumber(dueNumber);
    return event;
}

std::optional<std::int64_t> Gui::Impl::nextDeadline(std::optional<std::int64_t> timeout) const {
    std::optional<std::int64_t> next = timeout;
    auto consider = [&](std::int64_t t) { next = next ? std::min(*next, t) : t; };
    for (const auto& [number, record] : windows)
        if (record.timer) consider(record.timer->dueMs);
    if (auto* manual = dynamic_cast<const ManualClock*>(&clock))
        if (auto scheduled = manual->nextScheduled()) consider(*scheduled);
    return next;
}

void Gui::Impl::blockUntil(std::optional<std::int64_t> deadline) {
    if (deadline) {
        const std::int64_t wait = std::max<std::int64_t>(*deadline - clock.nowMs(), 0);
        wakeTimer->start(static_cast<int>(std::min<std::int64_t>(wait, 24LL * 3600 * 1000)));
    }
    QEventLoop loop;
    loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    wakeTimer->stop();
}

Event Gui::waitEvent(int timeoutMs) {
    Impl& d = *impl_;
    std::optional<std::int64_t> deadline;
    if (timeoutMs >= 0) deadline = d.clock.nowMs() + timeoutMs;
    for (;;) {
        d.pumpQt();
        if (auto event = d.takeQueued()) return *event;
        if (auto timer = d.takeDueTimer()) return *timer;
        if (deadline && d.clock.nowMs() >= *deadline) return Event{};
        const auto next = d.nextDeadline(deadline);
        if (d.clock.isManual()) {
            // A manual clock never sleeps: it jumps to the next thing that can happen.
            if (!next) throw std::logic_error("waiting for an event that cannot come");
            d.clock.advanceTo(std::max(*next, d.clock.nowMs()));
            continue;
        }
        d.blockUntil(next);
    }
}

void Gui::postEvent(const Event& event) {
    impl_->queue.push_back(event);
}

void Gui::postCustomEvent(int number) {
    Event event;
    event.kind = EventKind::Custom;
    event.custom = number;
    impl_->queue.push_back(event);
}

bool Gui::hasPendingEvents() {
    impl_->pumpQt();
    if (!impl_->queue.empty()) return true;
    const std::int64_t now = impl_->clock.nowMs();
    for (const auto& [number, record] : impl_->windows)
        if (record.timer && record.timer->dueMs <= now) return true;
    return false;
}

// ---- Menus and shortcuts

namespace {
void addEntries(QMenu* menu, const std::vector<MenuEntry>& entries, Gui::Impl* d, WindowNumber w) {
    for (const MenuEntry& entry : entries) {
        if (entry.separator) {
            menu->addSeparator();
        } else if (!entry.submenu.empty()) {
            addEntries(menu->addMenu(toQt(entry.label)), entry.submenu, d, w);
        } else {
            // Text after a tab shows in the accelerator column.
            QAction* action = menu->addAction(toQt(entry.label));
            action->setData(entry.item);
            QObject::connect(action, &QAction::triggered, menu, [d, w, item = entry.item] {
                Event event;
                event.kind = EventKind::Menu;
                event.window = w;
                event.menuItem = item;
                d->pushEvent(event);
            });
        }
    }
}
}  // namespace

void Gui::setPopupMenu(WindowNumber w, const std::vector<MenuEntry>& entries) {
    WindowRecord& record = impl_->window(w);
    delete record.popupMenu.data();
    auto* menu = new QMenu(record.widget);
    addEntries(menu, entries, impl_.get(), w);
    record.popupMenu = menu;
}

void Gui::showPopupMenu(WindowNumber w) {
    QMenu* menu = impl_->window(w).popupMenu;
    if (!menu) return;
    const Point at = pointerOnScreen();
    // A nested Qt loop; the chosen item only queues a menu event.
    menu->exec(QPoint(at.x, at.y));
}

void Gui::addShortcut(WindowNumber w, int keyCode, int modifiers, int item) {
    WindowRecord& record = impl_->window(w);
    const int qtKey = qtKeyOf(keyCode);
    if (qtKey == Qt::Key_unknown) return;
    const Qt::KeyboardModifiers qtMods = qtModifiers(modifiers);
    // Return also answers to the keypad's Enter.
    std::vector<int> keys{qtKey};
    if (qtKey == Qt::Key_Return) keys.push_back(Qt::Key_Enter);
    for (int key : keys) {
        std::erase_if(record.shortcuts, [&](ShortcutRecord& s) {
            if (s.qtKey != key || s.modifiers != qtMods) return false;
            delete s.shortcut.data();
            return true;
        });
        auto* shortcut =
            new QShortcut(QKeySequence(QKeyCombination(qtMods, Qt::Key(key))), record.widget);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, shortcut, [d = impl_.get(), w, item] {
            Event event;
            event.kind = EventKind::Menu;
            event.window = w;
            event.menuItem = item;
            d->pushEvent(event);
        });
        record.shortcuts.push_back({key, qtMods, item, shortcut});
    }
}

bool Gui::Impl::isShortcut(const QWidget* receiver, int qtKey,
                           Qt::KeyboardModifiers modifiers) const {
    const auto n = windowOf(receiver->window());
    if (!n) return false;
    const auto it = windows.find(toInt(*n));
    const Qt::KeyboardModifiers relevant =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return std::any_of(
        it->second.shortcuts.begin(), it->second.shortcuts.end(),
        [&](const ShortcutRecord& s) { return s.qtKey == qtKey && s.modifiers == relevant; });
}

bool Gui::Impl::guardShortcut(const QWidget* receiver, QKeyEvent& key) const {
    if (isDialogKey(receiver, key)) {
        // Overridden: the dialog gets the key, not the main window it belongs to, whose
        // shortcuts Qt lets its tool windows share.
        key.accept();
        return true;
    }
    if (!isShortcut(receiver, key.key(), key.modifiers())) return false;
    // Not overridden: the shortcut map gets the key before the focused control does.
    key.ignore();
    return true;
}

}  // namespace vd::gui
