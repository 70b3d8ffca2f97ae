#include "dialogs/dialog.h"

#include <climits>
#include <optional>

namespace vd {

Dialog::Dialog(AppState& s, WindowNumber window, gui::Size inner, const std::string& title)
    : s_(s), mainHold_(*s.gui, WIN_MAIN), window_(window) {
    gui::Gui& g = gui();
    open_ = g.openWindowCentred(window, inner, title, gui::WindowStyle::Tool, WIN_MAIN);
    if (!open_) return;
    g.setBackground(window, kDialogBackground);
    g.setDialogKeys(window, keys_);
}

Dialog::~Dialog() {
    if (open_) gui().closeWindow(window_);
}

ControlNumber Dialog::addButton(gui::Rect place, const std::string& label) {
    const ControlNumber c = gui().freshControlNumber();
    gui().addPushButton(window_, c, place, label);
    return c;
}

ControlNumber Dialog::addOkButton(gui::Rect place) {
    keys_.ok = addButton(place, "OK");
    gui().setDialogKeys(window_, keys_);
    return *keys_.ok;
}

ControlNumber Dialog::addCancelButton(gui::Rect place) {
    keys_.cancel = addButton(place, "Cancel");
    gui().setDialogKeys(window_, keys_);
    return *keys_.cancel;
}

ControlNumber Dialog::addCheckBox(gui::Rect place, const std::string& label, bool checked) {
    const ControlNumber c = gui().freshControlNumber();
    gui().addCheckBox(window_, c, place, label);
    gui().setChecked(c, checked);
    return c;
}

ControlNumber Dialog::addOptionButton(gui::Rect place, const std::string& label,
                                      bool startsGroup) {
    const ControlNumber c = gui().freshControlNumber();
    gui().addOptionButton(window_, c, place, label, startsGroup);
    return c;
}

ControlNumber Dialog::addFrame(gui::Rect place, const std::string& caption) {
    const ControlNumber c = gui().freshControlNumber();
    gui().addGroupFrame(window_, c, place, caption);
    return c;
}

ControlNumber Dialog::addLabel(gui::Rect place, const std::string& text) {
    const ControlNumber c = gui().freshControlNumber();
    gui().addTextLabel(window_, c, place, text, kDialogBackground);
    return c;
}

ControlNumber Dialog::addDigitsField(gui::Rect place, const std::string& text) {
    const ControlNumber c = gui().freshControlNumber();
    gui().addDigitsField(window_, c, place, text);
    return c;
}

ControlNumber Dialog::addTrackBar(gui::Rect place, int minimum, int maximum, int value) {
    const ControlNumber c = gui().freshControlNumber();
    gui().addTrackBar(window_, c, place, minimum, maximum, value);
    return c;
}

ControlNumber Dialog::addImageButton(gui::Rect place, const Image& picture,
                                     const std::string& tip) {
    const ControlNumber c = gui().freshControlNumber();
    gui().addImageButton(window_, c, place, picture, tip);
    return c;
}

ControlNumber Dialog::addPicture(gui::Rect place, const Image& picture) {
    const ControlNumber c = gui().freshControlNumber();
    gui().addPicture(window_, c, place, picture, true);
    return c;
}

ControlNumber Dialog::addReadOnlyField(gui::Rect place, const std::string& text) {
    const ControlNumber c = gui().freshControlNumber();
    gui().addReadOnlyField(window_, c, place, text);
    return c;
}

ControlNumber Dialog::addTextBox(gui::Rect place, const std::string& text) {
    const ControlNumber c = gui().freshControlNumber();
    gui().addTextBox(window_, c, place, text);
    return c;
}

DialogEvent Dialog::next(int timeoutMs) {
    const gui::Event event = gui().waitEvent(timeoutMs);
    switch (event.kind) {
        case gui::EventKind::Timeout:
            return {DialogInput::Timeout, event};
        case gui::EventKind::Close:
            if (event.window == window_) return {DialogInput::Closed, event};
            if (event.window == WIN_MAIN) {
                // The main loop asks whether to end the program once the command returns.
                s_.quitRequested = 1;
                return {DialogInput::Closed, event};
            }
            return {DialogInput::Other, event};
        case gui::EventKind::Control:
            if (event.window == window_) return {DialogInput::Control, event};
            return {DialogInput::Other, event};
        default:
            return {DialogInput::Other, event};
    }
}

int fieldNumber(std::string_view text) {
    long long value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') break;
        value = value * 10 + (ch - '0');
        if (value > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(value);
}

Image swatchPicture(gui::Size size, Color color) {
    return Image(size.width, size.height, 24, color);
}

bool chooseSwatchColor(gui::Gui& gui, Color& color, ControlNumber swatch, gui::Size size) {
    const std::optional<Color> chosen = gui.requesters().chooseColor(color);
    if (!chosen) return false;
    color = *chosen & kRgbMask;
    gui.setPicture(swatch, swatchPicture(size, color));
    return true;
}

void showNotice(gui::Gui& gui, gui::Rect place, const std::string& text, int ms) {
    const WindowNumber notice = gui.freshWindowNumber();
    const auto owner =
        gui.windowExists(WIN_MAIN) ? std::optional<WindowNumber>{WIN_MAIN} : std::nullopt;
    const gui::InputHold mainHold(gui, WIN_MAIN);
    // Without the window there is no timer to wait for: waiting would never end.
    if (!gui.openWindow(notice, place, "", gui::WindowStyle::Notice, owner)) return;
    gui.addTextLabel(notice, gui.freshControlNumber(), {0, 5, place.width, place.height - 5},
                     text, std::nullopt, true);
    gui.startTimer(notice, ms);
    for (;;) {
        const gui::Event event = gui.waitEvent();
        if (event.kind == gui::EventKind::Timer && event.window == notice) break;
    }
    gui.stopTimer(notice);
    gui.closeWindow(notice);
}

}  // namespace vd
