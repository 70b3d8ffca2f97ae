#pragma once

// The windowing layer: numbered windows and controls, menus, shortcuts, the event queue, the
// canvas, the clipboard and text drawing. Qt stays behind this header (pimpl), so program
// code reads in terms of windows, controls and events.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/ids.h"
#include "platform/gui/seams.h"
#include "platform/image/draw.h"
#include "platform/image/image.h"

namespace vd::gui {

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};
struct Size {
    int width = 0, height = 0;
    bool operator==(const Size&) const = default;
};
struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

// Open: a file or a picture handed to the program from outside it, by a drop on a window or
// on the command line.
enum class EventKind { Timeout, Control, Menu, Timer, Close, Move, Size, Custom, Open };

// Event types of control events.
enum ControlEventType : int {
    CONTROL_ACTIVATED =
        0,             // button pressed, box toggled, option chosen, row selected, picture clicked
    SPIN_STEPPED = 1,  // a spin box's arrows (or arrow keys) stepped its value
    TEXT_EDITED = 2,   // the text of a spin box or text field was edited by the user
    TRACK_MOVED = 3,   // a track bar's position changed
    FOCUS_GAINED = 4,  // a read-only field received the keyboard focus (a click into it)
    // Raw canvas events; the canvas callback sees them first.
    CANVAS_LEFT_DOWN = 10,
    CANVAS_LEFT_UP = 11,
    CANVAS_RIGHT_CLICK = 12,
    CANVAS_POINTER_MOVED = 13,
    CANVAS_KEY_DOWN = 14,
    CANVAS_WHEEL = 15,  // the wheel turned with Ctrl held: `delta` notches, away from the user > 0
};

// Modifier bits of canvas events.
constexpr int MOD_SHIFT = 1;
constexpr int MOD_ALT = 2;
constexpr int MOD_CTRL = 4;

// Key codes (those of the Windows virtual keys, which letters and digits share with ASCII).
constexpr int KEY_RETURN = 13;
constexpr int KEY_ESCAPE = 27;
constexpr int KEY_LEFT = 37;
constexpr int KEY_UP = 38;
constexpr int KEY_RIGHT = 39;
constexpr int KEY_DOWN = 40;
constexpr int KEY_F1 = 112;
constexpr int KEY_PLUS = 107;    // the keypad's +, and + wherever a layout has it
constexpr int KEY_EQUALS = 187;  // the key that is + with Shift on many layouts
constexpr int KEY_MINUS = 189;

struct Event {
    EventKind kind = EventKind::Timeout;
    WindowNumber window{-1};
    ControlNumber control{-1};
    int type = 0;       // control event type
    int menuItem = -1;  // menu events
    int custom = 0;     // custom events: their number
    // Canvas events: pointer position on the canvas, key code and modifier bits.
    int x = 0, y = 0, keyCode = 0, modifiers = 0;
    // Canvas wheel events: the notches turned.
    int delta = 0;
    // Open events: the path of the file to load, or else the picture.
    std::string path;
    std::shared_ptr<const Image> picture;
};

enum class WindowStyle {
    Main,    // caption, system menu, sizeable border, minimise and maximise
    Tool,    // owned tool window with a caption and a close box
    Notice,  // borderless, owned, never activated
};

enum class CursorShape { Arrow, Cross, Hand };

// Which point of the visible canvas stays in place when the zoom changes.
enum class ZoomAnchor { Pointer, Centre };

// One entry of a pop-up menu: an item, a submenu or a separator. Text after a tab shows in
// the accelerator column.
struct MenuEntry {
    std::string label;
    int item = -1;
    std::vector<MenuEntry> submenu;
    bool separator = false;

    static MenuEntry command(std::string label, int item) {
        return {std::move(label), item, {}, false};
    }
    static MenuEntry sub(std::string label, std::vector<MenuEntry> entries) {
        return {std::move(label), -1, std::move(entries), false};
    }
    static MenuEntry bar() { return {{}, -1, {}, true}; }
};

class Gui {
  public:
    // Needs a QApplication; the seams answer for the person, the time and the screen.
    Gui(Requesters& requesters, Clock& clock, Desktop& desktop);
    ~Gui();
    Gui(const Gui&) = delete;
    Gui& operator=(const Gui&) = delete;

    Requesters& requesters();
    Clock& clock();
    Desktop& desktop();

    // ---- Windows. Positions are screen coordinates of the window's outer top-left corner;
    // sizes are of the inner (client) area.
    bool openWindow(WindowNumber n, Rect outerPosInnerSize, const std::string& title,
                    WindowStyle style, std::optional<WindowNumber> owner = std::nullopt,
                    bool activate = true);
    // Opening a number that is open replaces that window. Main and Tool windows are shown
    // and activated unless `activate` is false (then, like a Notice, they never take the
    // activation when shown); a Notice is shown without activation. Tool windows keep
    // their size.
    // A window of this inner size centred on `owner` (or on the desktop without one).
    bool openWindowCentred(WindowNumber n, Size inner, const std::string& title, WindowStyle style,
                           std::optional<WindowNumber> owner = std::nullopt);
    WindowNumber freshWindowNumber() const;
    bool windowExists(WindowNumber n) const;
    void closeWindow(WindowNumber n);
    void setTitle(WindowNumber n, const std::string& title);
    std::string title(WindowNumber n) const;
    void setBackground(WindowNumber n, Color color);
    // Inner size; for the main window the status bar is part of the inner area.
    void setInnerSize(WindowNumber n, Size size);
    void moveWindow(WindowNumber n, Point outerTopLeft);
    void setMinimumInnerSize(WindowNumber n, Size size);
    // The inner area on the screen: position and size.
    Rect innerRect(WindowNumber n) const;
    Point outerPosition(WindowNumber n) const;
    // Outer size minus inner size (frame and caption).
    Size frameExtra(WindowNumber n) const;
    bool isMaximized(WindowNumber n) const;
    bool isMinimized(WindowNumber n) const;
    // Restores a minimised or maximised window, raises it and gives it the focus.
    void activateWindow(WindowNumber n);
    void hideWindow(WindowNumber n);
    void showWindowWithoutActivating(WindowNumber n);
    bool isVisible(WindowNumber n) const;
    // A picture on the window's own surface with its top-left corner at `at` (inner
    // coordinates), painted over the window's background and under its controls. It stays
    // through every repaint (another window passing over does not wipe it) until the next
    // call replaces it; an empty image removes it. Alpha is ignored.
    void setSurfacePicture(WindowNumber n, Point at, const Image& picture);
    // A timer that posts a timer event for the window every `ms` milliseconds of the clock.
    void startTimer(WindowNumber n, int ms);
    void stopTimer(WindowNumber n);

    // ---- The status bar of a window, with `fields` fields of automatic width, then
    // `rightFields` narrow ones at the right end, numbered after them.
    void createStatusBar(WindowNumber n, int fields, int rightFields = 0);
    void setStatusText(WindowNumber n, int field, const std::string& text);
    std::string statusText(WindowNumber n, int field) const;
    int statusBarHeight(WindowNumber n) const;

    // ---- Controls. Rectangles are in the window's inner coordinates. Numbers are unique
    // across windows; freshControlNumber gives one no control uses.
    ControlNumber freshControlNumber() const;
    // Font for the controls created from now on; false (system default kept) when missing.
    bool setControlFont(const std::string& name, int points);
    void addCheckBox(WindowNumber w, ControlNumber c, Rect r, const std::string& label);
    void addPushButton(WindowNumber w, ControlNumber c, Rect r, const std::string& label);
    void addImageButton(WindowNumber w, ControlNumber c, Rect r, const Image& picture,
                        const std::string& toolTip);
    // Option buttons are grouped with the option buttons created before them in the same
    // window until one is created with `startsGroup`.
    void addOptionButton(WindowNumber w, ControlNumber c, Rect r, const std::string& label,
                         bool startsGroup);
    void addGroupFrame(WindowNumber w, ControlNumber c, Rect r, const std::string& label);
    void addTextLabel(WindowNumber w, ControlNumber c, Rect r, const std::string& text,
                      std::optional<Color> background = std::nullopt, bool centred = false);
    void addDigitsField(WindowNumber w, ControlNumber c, Rect r, const std::string& text);
    void addDropDown(WindowNumber w, ControlNumber c, Rect r);
    void addDropDownRow(ControlNumber c, const std::string& label, std::optional<int> data);
    void addSpinBox(WindowNumber w, ControlNumber c, Rect r, int minimum, int maximum, int value);
    void addTrackBar(WindowNumber w, ControlNumber c, Rect r, int minimum, int maximum, int value);
    // A read-only multi-line text box that wraps words (its text: lines separated by '\n').
    void addReadOnlyText(WindowNumber w, ControlNumber c, Rect r, const std::string& text);
    // An editable multi-line text box; text() gives its lines separated by '\n'.
    void addTextBox(WindowNumber w, ControlNumber c, Rect r, const std::string& text);
    // A read-only one-line field that posts FOCUS_GAINED when it receives the focus.
    void addReadOnlyField(WindowNumber w, ControlNumber c, Rect r, const std::string& text);
    // A picture control showing `image`; a left click posts CONTROL_ACTIVATED with the click
    // position in x, y.
    void addPicture(WindowNumber w, ControlNumber c, Rect r, const Image& image, bool bordered);
    // A scroll area, and the drawable canvas inside it.
    // The inner (scrolled) area has the size `inner`, or the size of `r` when it is empty;
    // children of the inner area outside it are cut off, as on Windows.
    void addScrollArea(WindowNumber w, ControlNumber c, Rect r, int scrollStep, Size inner = {});
    // The canvas starts black.
    void addCanvas(ControlNumber scrollArea, ControlNumber c, Size size);

    bool controlExists(ControlNumber c) const;
    // The control of window w at exactly this place, for tools and tests that find a
    // dialog's controls, which the dialog numbers itself.
    std::optional<ControlNumber> controlAt(WindowNumber w, Rect place) const;
    void setEnabled(ControlNumber c, bool enabled);
    bool isEnabled(ControlNumber c) const;
    void setChecked(ControlNumber c, bool checked);  // check boxes and option buttons
    bool isChecked(ControlNumber c) const;
    void setText(ControlNumber c, const std::string& text);
    std::string text(ControlNumber c) const;
    void setControlRect(ControlNumber c, Rect r);
    Rect controlRect(ControlNumber c) const;
    void setPicture(ControlNumber c, const Image& image);  // image buttons and pictures
    void setToolTip(ControlNumber c, const std::string& text);
    // Font and colours of a text box, read-only text or field, or label; colours left out
    // keep the control's own.
    void setTextStyle(ControlNumber c, const FontChoice& font, std::optional<Color> textColor,
                      std::optional<Color> background);
    // Drop-down lists.
    int selectedRow(ControlNumber c) const;
    void selectRow(ControlNumber c, int row);
    std::optional<int> rowData(ControlNumber c, int row) const;
    void setRowData(ControlNumber c, int row, int data);
    // Spin boxes and track bars; a value outside the range is clamped into it. A spin box's
    // text is its own, as the edit box beside Windows' arrows: setValue and setRange leave
    // it alone (set it with setText); a step of the arrows sets the value and writes it into
    // the text before it posts SPIN_STEPPED; typing changes only the text (TEXT_EDITED).
    int value(ControlNumber c) const;
    void setValue(ControlNumber c, int value);
    void setRange(ControlNumber c, int minimum, int maximum);
    int maximum(ControlNumber c) const;
    void setFocus(ControlNumber c);
    std::optional<ControlNumber> focusedControl() const;
    // Scroll areas: the size of the scrolled content and the current scroll position.
    void setScrollContentSize(ControlNumber scrollArea, Size size);
    Point scrollPosition(ControlNumber scrollArea) const;

    // ---- The canvas: a picture the program draws into, shown at the origin of its scroll
    // area. Its pixels are what the user sees; call canvasUpdated() after drawing.
    Image& canvasPixels(ControlNumber canvas);
    void canvasUpdated(ControlNumber canvas);
    // Only `area` (canvas pixels) changed: only it is painted again.
    void canvasUpdated(ControlNumber canvas, Rect area);
    // Resizes the canvas (its pixels keep what fits, the rest is black).
    void setCanvasSize(ControlNumber canvas, Size size);
    void setCursor(ControlNumber canvas, CursorShape shape);
    // The busy cursor over every window of the program from beginBusy() to the matching
    // endBusy() (the calls nest). It is on the screen before beginBusy() returns.
    void beginBusy();
    void endBusy();
    bool isBusy() const;
    // How many times the busy cursor has been put up, for checks.
    int busyPeriods() const;
    // Runs for every raw canvas event before waitEvent returns it, outside Qt's handlers;
    // events it posts come after that event.
    void setCanvasCallback(ControlNumber canvas, std::function<void(const Event&)> callback);
    // The pointer relative to the canvas's top-left corner (which moves with scrolling).
    Point pointerOnCanvas(ControlNumber canvas) const;
    Point pointerOnScreen() const;
    void movePointer(Point screen);
    // Screen position of a control's top-left corner.
    Point controlScreenPosition(ControlNumber c) const;

    // ---- Zoom: how the canvas is shown. Its pixels keep their size and every position the
    // program sees (canvas events, pointerOnCanvas) stays in canvas pixels; only the screen
    // changes. Scales above 1 are whole numbers. The canvas point under the anchor (the
    // pointer when it is over the visible canvas, otherwise the middle) stays where it is.
    void setCanvasScale(ControlNumber canvas, double scale, ZoomAnchor anchor);
    double canvasScale(ControlNumber canvas) const;
    // The visible part of a scroll area when it shows no scroll bars.
    Size scrollViewportSize(ControlNumber scrollArea) const;
    // The selection outline and its handle as the canvas draws them at screen resolution
    // over a scaled picture (in XOR, one screen pixel wide); at scale 1 the program draws
    // into the pixels instead. Canvas pixels, the outline's bounds inclusive.
    void setCanvasOverlay(ControlNumber canvas, std::optional<Rect> outline,
                          std::optional<Rect> handle);
    // Where the middle of a canvas pixel is shown, from the canvas's top-left corner; at
    // scale 1 the pixel itself.
    Point canvasPixelOnDisplay(ControlNumber canvas, Point pixel) const;

    // ---- Menus and shortcuts. Choosing an item posts a menu event with its number.
    void setPopupMenu(WindowNumber w, const std::vector<MenuEntry>& entries);
    // Opens the menu at the pointer and returns when it closes.
    void showPopupMenu(WindowNumber w);
    // A key with modifier bits (MOD_CTRL ...) that posts a menu event while the window or any
    // of its controls has focus.
    void addShortcut(WindowNumber w, int keyCode, int modifiers, int item);

    // ---- Keys a desktop user expects of a dialog. Return presses the focused push button,
    // or else `ok`, unless the focus is in a multi-line text box; Esc presses `cancel`, or
    // without one the window's close box. A window of no OK and no Cancel takes Esc alone.
    struct DialogKeys {
        std::optional<ControlNumber> ok, cancel;
    };
    void setDialogKeys(WindowNumber w, DialogKeys keys);

    // ---- Drops. A window that takes drops posts an Open event for one picture file dropped
    // on it (a PNG, JPEG or BMP by its content), or for a picture another program dropped
    // (PNG data, or an image). Other drops are refused.
    void takeDrops(WindowNumber w);

    // ---- Input holds. While a window's input is held, no click, wheel turn or key reaches
    // its controls, so they keep showing what the program set; only `open`, and what lies
    // inside it, still takes input. Shortcuts, the close box and drops still post events.
    // Holds nest and the latest on a window decides. holdInput returns the hold's number.
    int holdInput(WindowNumber w, std::optional<ControlNumber> open = std::nullopt);
    void releaseInput(int hold);

    // ---- Events.
    // The next event; with timeoutMs >= 0 a Timeout event when none arrives in time (by the
    // clock). A manual clock with nothing to deliver jumps to the next deadline; a wait with no
    // deadline and nothing to deliver then throws std::logic_error, since it would never end.
    Event waitEvent(int timeoutMs = -1);
    void postEvent(const Event& event);
    void postCustomEvent(int number);
    // True when an event is queued or Qt has work pending that may produce one.
    bool hasPendingEvents();

    // ---- Clipboard.
    std::optional<Image> clipboardImage(int depth) const;
    void setClipboardImage(const Image& image);
    void setClipboardText(const std::string& text);
    std::string clipboardText() const;

    // ---- Text drawn onto an image in a font, colour and drawing mode. With a background
    // colour the text's box is filled first. Returns false when nothing could be drawn.
    // `at` is the top-left corner of the text's box (textSize), one line of text. The font's
    // points are taken at 96 dots per inch (10 points = 13 pixels), whatever the screen.
    // Modes: Default blends the antialiased glyphs into the colour bytes and keeps alpha;
    // AllChannels mixes all four bytes towards the colour; AlphaBlend lays the colour (with
    // its alpha) over the pixel as Qt's source-over does, so text on a transparent image
    // becomes opaque; Xor flips the colour bytes of the pixels the glyphs cover by half or
    // more, so drawing the same text twice restores the image.
    bool drawText(Image& image, Point at, const std::string& text, const FontChoice& font,
                  Color color, std::optional<Color> background, DrawMode mode);
    Size textSize(const std::string& text, const FontChoice& font) const;

    // ---- Looking at it: the window as it is on screen, for screenshots and tests.
    Image grabWindow(WindowNumber n) const;

    // The implementation, for the layer's own helpers (qt_access.h).
    struct Impl;
    Impl& impl() const { return *impl_; }

  private:
    std::unique_ptr<Impl> impl_;
};

// Holds a window's input for as long as it lives (Gui::holdInput): what a loop that drops
// the window's events sets up, so that no control of it changes behind the program's back.
class InputHold {
  public:
    InputHold(Gui& gui, WindowNumber w, std::optional<ControlNumber> open = std::nullopt)
        : gui_(gui), hold_(gui.holdInput(w, open)) {}
    ~InputHold() { gui_.releaseInput(hold_); }
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

  private:
    Gui& gui_;
    int hold_;
};

}  // namespace vd::gui
