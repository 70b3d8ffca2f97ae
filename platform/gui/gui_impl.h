#pragma once

// The state behind vd::gui::Gui: the tables of windows and controls, the event queue and the
// Qt objects that feed it. Private to platform/gui.

#include <QFont>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/gui/gui.h"
#include "platform/gui/canvas_widget.h"

class QButtonGroup;
class QKeyEvent;
class QLabel;
class QMenu;
class QMimeData;
class QShortcut;
class QStatusBar;
class QWindow;

namespace vd::gui {

enum class ControlKind {
    CheckBox,
    PushButton,
    ImageButton,
    OptionButton,
    GroupFrame,
    TextLabel,
    DigitsField,
    DropDown,
    SpinBox,
    TrackBar,
    ReadOnlyText,
    TextBox,
    ReadOnlyField,
    Picture,
    ScrollArea,
    Canvas,
};

struct ControlRecord {
    ControlKind kind;
    WindowNumber window;
    QPointer<QWidget> widget;
    // Scroll areas: the inner area that scrolls (the canvas's parent).
    QPointer<QWidget> inner;
};

struct WindowTimer {
    int intervalMs = 0;
    std::int64_t dueMs = 0;
};

struct ShortcutRecord {
    int qtKey = 0;
    Qt::KeyboardModifiers modifiers;
    int item = -1;
    QPointer<QShortcut> shortcut;
};

struct WindowRecord {
    QPointer<QWidget> widget;
    WindowStyle style = WindowStyle::Main;
    std::optional<WindowNumber> owner;
    QPointer<QStatusBar> statusBar;
    std::vector<QPointer<QLabel>> statusFields;
    int statusHeight = 0;
    QPointer<QMenu> popupMenu;
    std::vector<ShortcutRecord> shortcuts;
    std::optional<WindowTimer> timer;
    QPointer<QButtonGroup> optionGroup;
    // setSurfacePicture: painted at surfaceAt after the background, before the controls.
    QImage surface;
    QPoint surfaceAt;
    std::optional<Gui::DialogKeys> dialogKeys;
    bool takesDrops = false;
};

struct InputHoldRecord {
    int number = 0;
    WindowNumber window;
    std::optional<ControlNumber> open;
};

class WindowEventFilter;
class UserInputFilter;

struct Gui::Impl : EventSink {
    Impl(Requesters& r, Clock& c, Desktop& d);
    ~Impl();

    Requesters& requesters;
    Clock& clock;
    Desktop& desktop;

    std::map<int, WindowRecord> windows;
    std::map<int, ControlRecord> controls;
    std::map<int, std::function<void(const Event&)>> canvasCallbacks;
    std::deque<Event> queue;
    std::optional<QFont> controlFont;
    QPoint pointer;  // the last pointer position we know of, on screen
    int busyDepth = 0;
    int busyPeriods = 0;
    std::unique_ptr<WindowEventFilter> windowFilter;
    std::unique_ptr<UserInputFilter> inputFilter;
    std::unique_ptr<QTimer> wakeTimer;
    std::vector<InputHoldRecord> inputHolds;
    int lastInputHold = 0;
    // The drag in progress and whether a window that takes drops wants what it carries.
    const QMimeData* dragMime = nullptr;
    bool dragWanted = false;

    // EventSink: queue an event; consecutive pointer moves (and moves and resizes of one
    // window) collapse into the latest, as a busy program would see them on Windows.
    void pushEvent(const Event& event) override;
    void notePointer(QPoint screen) override;

    // Lookups; they throw std::out_of_range for a number that is not in use.
    WindowRecord& window(WindowNumber n);
    const WindowRecord& window(WindowNumber n) const;
    ControlRecord& control(ControlNumber c);
    const ControlRecord& control(ControlNumber c) const;
    QWidget* widget(ControlNumber c) const;
    WindowRecord* findWindow(WindowNumber n);
    ControlRecord* findControl(ControlNumber c);
    std::optional<WindowNumber> windowOf(const QWidget* widget) const;
    std::optional<ControlNumber> controlOf(const QWidget* widget) const;
    CanvasWidget* canvas(ControlNumber c) const;

    // Controls: placed in window w's inner area; an old control of that number goes first.
    QWidget* parentFor(WindowNumber w);
    void registerControl(WindowNumber w, ControlNumber c, ControlKind kind, QWidget* widget,
                         Rect r);
    void removeControl(ControlNumber c);
    void postControlEvent(WindowNumber w, ControlNumber c, int type, int x = 0, int y = 0);
    void closeWindowAndOwned(WindowNumber n);
    void layoutStatusBar(WindowRecord& record);
    // Paints the window's surface picture; called while the window handles a paint event.
    void paintSurface(const WindowRecord& record, const QRegion& dirty);

    // Events: Qt's pending work done without waiting; the next queued event (after the
    // canvas callback for a raw canvas event); a due window timer.
    void pumpQt();
    std::optional<Event> takeQueued();
    std::optional<Event> takeDueTimer();
    std::optional<std::int64_t> nextDeadline(std::optional<std::int64_t> timeout) const;
    void blockUntil(std::optional<std::int64_t> deadline);
    bool isShortcut(const QWidget* receiver, int qtKey, Qt::KeyboardModifiers modifiers) const;
    // Lets a window's shortcuts win over the focused control: Return and the arrows reach
    // the program even while a spin box's edit field has the focus, as accelerators do on
    // Windows. True when it decided who gets the key.
    bool guardShortcut(const QWidget* receiver, QKeyEvent& key) const;

    // Input the windows answer themselves (gui_input.cpp, gui_drops.cpp). Those that are
    // handed an event say true when they took it and it goes no further.
    bool isDialogKey(const QWidget* receiver, const QKeyEvent& key) const;
    bool pressDialogKey(const QWidget* receiver, const QKeyEvent& key);
    void pressEscape(WindowNumber n, const Gui::DialogKeys& keys);
    bool pressReturn(const QWidget* receiver, const Gui::DialogKeys& keys);
    bool isHeld(const QWidget* receiver) const;
    bool holdsPointer(const QWindow* window, const QEvent& event) const;
    bool takeDrop(const QWidget* receiver, QEvent* event);
    // The window record of the window a widget is in, if it is one of ours.
    std::optional<WindowNumber> windowAround(const QWidget* widget) const;
    // Presses a push button, image button, check box or option button as a click would.
    void press(ControlNumber c);
};

// Turns window events into queue events: the close box, moves and resizes.
class WindowEventFilter : public QObject {
  public:
    explicit WindowEventFilter(Gui::Impl& impl) : impl_(impl) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Gui::Impl& impl_;
};

// Shortcuts before the focused control, clicks, wheel turns and keys of held windows, the
// keys of dialogs and drops; program code never runs here, events are only queued.
class UserInputFilter : public QObject {
  public:
    explicit UserInputFilter(Gui::Impl& impl) : impl_(impl) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Gui::Impl& impl_;
};

// A picture of Qt's at 24 or 32 bits; nothing when it is empty or over the size limits.
std::optional<Image> imageFromQt(const QImage& picture, int depth);

QString toQt(const std::string& text);
std::string fromQt(const QString& text);
QRect toQt(Rect r);
Rect fromQt(const QRect& r);
QColor toQColor(Color c);
Color fromQColor(const QColor& c);
// Button labels show '&' as written.
QString buttonLabel(const std::string& text);
// The font of a FontChoice at 96 dots per inch.
QFont fontOf(const FontChoice& choice);

}  // namespace vd::gui
