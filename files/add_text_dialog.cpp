#include <string>

#include "app/commands.h"
#include "dialogs/dialog.h"
#include "files/text_image.h"

// The Add text dialog: the text, its font and colours, and whether the picture made of it
// has a background. Font, colours and transparency are kept as soon as they change, so they
// survive a Cancel; the text itself is kept only by OK.

namespace vd {

namespace {

constexpr gui::Size kDialogSize{280, 310};
constexpr gui::Size kSwatchSize{25, 25};
constexpr const char* kFieldTip = "click to change";

struct AddTextControls {
    ControlNumber fontName{-1}, size{-1}, style{-1};
    ControlNumber front{-1}, back{-1}, transparent{-1}, text{-1}, ok{-1}, cancel{-1};
};

enum class DialogEnd { Running, Ok, Cancel };

gui::FontChoice currentFont(const AppState& s) {
    gui::FontChoice font;
    font.name = s.addTextFontName;
    font.points = s.addTextFontSize;
    font.style = gui::fontStyle(s.addTextBold, s.addTextItalic);
    font.underline = s.addTextUnderline;
    font.strikeOut = s.addTextStrikeOut;
    font.color = s.addTextFrontColor;
    return font;
}

void takeFont(AppState& s, const gui::FontChoice& font) {
    s.addTextFontName = font.name;
    s.addTextFontSize = font.points;
    s.addTextBold = gui::isBold(font.style);
    s.addTextItalic = gui::isItalic(font.style);
    s.addTextUnderline = font.underline;
    s.addTextStrikeOut = font.strikeOut;
    s.addTextFrontColor = font.color & kRgbMask;
    s.addTextFontStyle = styleName(font);
}

ControlNumber addField(Dialog& d, gui::Rect place, const std::string& text) {
    const ControlNumber c = d.addReadOnlyField(place, text);
    d.gui().setToolTip(c, kFieldTip);
    return c;
}

ControlNumber addSwatch(Dialog& d, gui::Rect place, Color color, const std::string& tip) {
    const ControlNumber c = d.addPicture(place, swatchPicture(kSwatchSize, color));
    d.gui().setToolTip(c, tip);
    return c;
}

// The text box shows the text as it will come out.
void styleTextBox(const AppState& s, const AddTextControls& c) {
    s.gui->setTextStyle(c.text, currentFont(s), s.addTextFrontColor, s.addTextBackColor);
}

AddTextControls buildControls(Dialog& d, const AppState& s) {
    AddTextControls c;
    d.addLabel({10, 5, 120, 25}, "Font name");
    c.fontName = addField(d, {10, 30, 170, 25}, s.addTextFontName);
    d.addLabel({190, 5, 60, 25}, "Size");
    c.size = addField(d, {190, 30, 40, 25}, std::to_string(s.addTextFontSize));
    d.addLabel({10, 70, 60, 25}, "Style");
    c.style = addField(d, {10, 95, 170, 25}, s.addTextFontStyle);
    d.addFrame({185, 65, 85, 60}, "colors");
    c.front = addSwatch(d, {195, 85, 25, 25}, s.addTextFrontColor, "front color");
    c.back = addSwatch(d, {230, 85, 25, 25}, s.addTextBackColor, "back color");
    c.transparent =
        d.addCheckBox({10, 135, 260, 30}, "Background transparent", s.addTextTransparent);
    c.text = d.addTextBox({10, 170, 260, 100}, s.addTextText);
    c.cancel = d.addCancelButton({10, 275, 60, 30});
    c.ok = d.addOkButton({210, 275, 60, 30});
    styleTextBox(s, c);
    return c;
}

// Reading what is queued also lets Qt finish what it has in hand (a window getting the
// activation back hands the focus to a field again), so nothing of it comes back later.
void discardPendingEvents(gui::Gui& g) {
    while (g.hasPendingEvents())
        if (g.waitEvent(0).kind == gui::EventKind::Timeout) break;
}

void focusTextBox(AppState& s, const AddTextControls& c) {
    discardPendingEvents(*s.gui);
    s.gui->setFocus(c.text);
}

void chooseFont(AppState& s, const AddTextControls& c) {
    gui::Gui& g = *s.gui;
    if (const auto chosen = g.requesters().chooseFont(currentFont(s))) {
        takeFont(s, *chosen);
        g.setText(c.fontName, s.addTextFontName);
        g.setText(c.size, std::to_string(s.addTextFontSize));
        g.setText(c.style, s.addTextFontStyle);
        g.setPicture(c.front, swatchPicture(kSwatchSize, s.addTextFrontColor));
    }
    // Left on the field, the focus would open the requester again.
    focusTextBox(s, c);
    styleTextBox(s, c);
}

bool isFontField(const AddTextControls& c, ControlNumber control) {
    return control == c.fontName || control == c.size || control == c.style;
}

DialogEnd handleControl(AppState& s, const AddTextControls& c, const gui::Event& event) {
    gui::Gui& g = *s.gui;
    if (isFontField(c, event.control)) {
        if (event.type == gui::FOCUS_GAINED) chooseFont(s, c);
    } else if (event.control == c.front) {
        if (chooseSwatchColor(g, s.addTextFrontColor, c.front, kSwatchSize)) styleTextBox(s, c);
    } else if (event.control == c.back) {
        if (chooseSwatchColor(g, s.addTextBackColor, c.back, kSwatchSize)) styleTextBox(s, c);
    } else if (event.control == c.transparent) {
        s.addTextTransparent = g.isChecked(c.transparent);
    } else if (event.control == c.ok) {
        return DialogEnd::Ok;
    } else if (event.control == c.cancel) {
        return DialogEnd::Cancel;
    }
    return DialogEnd::Running;
}

TextImageSettings textImageSettings(const AppState& s) {
    return {s.addTextText, currentFont(s), s.addTextFrontColor, s.addTextBackColor,
            s.addTextTransparent};
}

// True when the user confirmed and the text's picture is on the clipboard.
bool runDialog(AppState& s) {
    Dialog dialog(s, WIN_ADD_TEXT, kDialogSize, "Add text");
    if (!dialog.isOpen()) return false;
    const AddTextControls controls = buildControls(dialog, s);
    // The window's opening may have handed the focus to the first field already.
    focusTextBox(s, controls);
    DialogEnd end = DialogEnd::Running;
    while (end == DialogEnd::Running) {
        const DialogEvent next = dialog.next();
        if (next.input == DialogInput::Closed) end = DialogEnd::Cancel;
        if (next.input == DialogInput::Control) end = handleControl(s, controls, next.event);
    }
    if (end != DialogEnd::Ok) return false;
    s.addTextText = s.gui->text(controls.text);
    const Image picture = buildTextImage(*s.gui, textImageSettings(s));
    if (picture.empty()) return false;
    s.gui->setClipboardImage(picture);
    return true;
}

}  // namespace

void addTextDialog(AppState& s) {
    // The dialog's window has to be gone before the section floats over the picture.
    if (runDialog(s)) pasteFloatingSection(s);
}

}  // namespace vd
