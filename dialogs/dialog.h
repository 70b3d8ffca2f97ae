#pragma once

// What every dialog of the program stands on: an owned tool window centred on the main
// window, on the dialog background, with controls under fresh numbers and a loop of its own
// on the program's one event queue. The window goes when the dialog goes. Return presses
// OK and Esc Cancel (or the close box); the main window takes no input meanwhile.

#include <string>
#include <string_view>

#include "app/state.h"
#include "platform/gui/gui.h"

namespace vd {

constexpr Color kDialogBackground = 0xEBCE87;  // red 135, green 206, blue 235

// What one wait of a dialog brought.
enum class DialogInput {
    Control,  // a control of the dialog's own window
    Timeout,  // nothing within the wait's time-out
    Closed,   // its close box, or the main window's close request (which sets quitRequested)
    Other,    // anything else; a dialog that has no use for it drops it
};

struct DialogEvent {
    DialogInput input = DialogInput::Timeout;
    gui::Event event;
};

class Dialog {
  public:
    // Opens the window; isOpen() tells whether that worked.
    Dialog(AppState& s, WindowNumber window, gui::Size inner, const std::string& title);
    ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    bool isOpen() const { return open_; }
    WindowNumber window() const { return window_; }
    AppState& state() const { return s_; }
    gui::Gui& gui() const { return *s_.gui; }

    // Each adds one control under a number no control uses and returns that number.
    ControlNumber addButton(gui::Rect place, const std::string& label);
    // "OK" and "Cancel", which Return and Esc press.
    ControlNumber addOkButton(gui::Rect place);
    ControlNumber addCancelButton(gui::Rect place);
    ControlNumber addCheckBox(gui::Rect place, const std::string& label, bool checked);
    ControlNumber addOptionButton(gui::Rect place, const std::string& label, bool startsGroup);
    ControlNumber addFrame(gui::Rect place, const std::string& caption);
    // A label on the dialog's own background.
    ControlNumber addLabel(gui::Rect place, const std::string& text);
    ControlNumber addDigitsField(gui::Rect place, const std::string& text);
    ControlNumber addTrackBar(gui::Rect place, int minimum, int maximum, int value);
    ControlNumber addImageButton(gui::Rect place, const Image& picture, const std::string& tip);
    ControlNumber addPicture(gui::Rect place, const Image& picture);
    // A one-line field the user cannot type into; it reports FOCUS_GAINED when clicked.
    ControlNumber addReadOnlyField(gui::Rect place, const std::string& text);
    // An editable multi-line text box.
    ControlNumber addTextBox(gui::Rect place, const std::string& text);

    // The next event of the whole program, sorted for the dialog; with timeoutMs >= 0 a
    // Timeout when none arrives in time.
    DialogEvent next(int timeoutMs = -1);

  private:
    AppState& s_;
    // The main window's controls would change on input the dialog's loop drops.
    gui::InputHold mainHold_;
    WindowNumber window_;
    bool open_ = false;
    gui::Gui::DialogKeys keys_;
};

// The number a digits field holds: its leading decimal digits, 0 when there are none, and
// INT_MAX for a number too long for an int.
int fieldNumber(std::string_view text);

// A picture of one colour, for the colour buttons of the dialogs.
Image swatchPicture(gui::Size size, Color color);

// A click on a colour swatch: the colour requester starts from `color`; a chosen colour
// replaces it and repaints the swatch. False when the requester was cancelled.
bool chooseSwatchColor(gui::Gui& gui, Color& color, ControlNumber swatch, gui::Size size);

// A borderless notice with one centred line of text at `place` (screen coordinates) for `ms`
// milliseconds of the program's clock. Input meanwhile is dropped, not queued, and the main
// window's controls do not take it.
void showNotice(gui::Gui& gui, gui::Rect place, const std::string& text, int ms);

}  // namespace vd
