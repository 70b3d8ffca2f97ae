#include <algorithm>
#include <optional>
#include <string>

#include "app/commands.h"
#include "io/commands/file_names.h"

// The New image dialog: width, height and fill colour of a blank 24-bit picture that replaces
// the image in view. The typed values are kept as they are typed, so they survive a Cancel;
// only OK clamps them to the sizes the program offers.

namespace vd {

namespace {

constexpr Color kDialogBackground = 0xEBCE87;  // red 135, green 206, blue 235
constexpr gui::Size kDialogSize{240, 130};
constexpr gui::Size kSwatchSize{90, 45};
constexpr int kSmallestSide = 16;
constexpr int kLargestSide = 4096;

struct NewImageControls {
    ControlNumber width{-1}, height{-1}, swatch{-1}, ok{-1}, cancel{-1};
};

enum class DialogEnd { Running, Ok, Cancel, Quit };

Image swatchPicture(Color color) {
    return Image(kSwatchSize.width, kSwatchSize.height, 24, color);
}

void addLabel(gui::Gui& g, gui::Rect place, const std::string& text) {
    g.addTextLabel(WIN_NEW_IMAGE, g.freshControlNumber(), place, text, kDialogBackground);
}

// Each control takes its number as it is added: a fresh number stays fresh until used.
NewImageControls buildControls(AppState& s) {
    gui::Gui& g = *s.gui;
    NewImageControls c;
    c.width = g.freshControlNumber();
    g.addDigitsField(WIN_NEW_IMAGE, c.width, {10, 10, 60, 25}, std::to_string(s.newImageWidth));
    c.height = g.freshControlNumber();
    g.addDigitsField(WIN_NEW_IMAGE, c.height, {10, 40, 60, 25}, std::to_string(s.newImageHeight));
    addLabel(g, {75, 15, 50, 25}, "width");
    addLabel(g, {75, 40, 50, 25}, "Height");
    addLabel(g, {135, 15, 95, 25}, "Back color");
    c.swatch = g.freshControlNumber();
    g.addPicture(WIN_NEW_IMAGE, c.swatch, {135, 45, kSwatchSize.width, kSwatchSize.height},
                 swatchPicture(s.newImageColor), true);
    c.ok = g.freshControlNumber();
    g.addPushButton(WIN_NEW_IMAGE, c.ok, {155, 100, 60, 25}, "OK");
    c.cancel = g.freshControlNumber();
    g.addPushButton(WIN_NEW_IMAGE, c.cancel, {10, 100, 60, 25}, "Cancel");
    return c;
}

void chooseFillColor(AppState& s, ControlNumber swatch) {
    const std::optional<Color> chosen = s.gui->requesters().chooseColor(s.newImageColor);
    if (!chosen) return;
    s.newImageColor = *chosen & kRgbMask;
    s.gui->setPicture(swatch, swatchPicture(s.newImageColor));
}

DialogEnd handleEvent(AppState& s, const NewImageControls& c, const gui::Event& event) {
    if (event.kind == gui::EventKind::Close) {
        if (event.window == WIN_NEW_IMAGE) return DialogEnd::Cancel;
        if (event.window == WIN_MAIN) return DialogEnd::Quit;
        return DialogEnd::Running;
    }
    // Everything else outside the dialog waits for nobody: it is dropped.
    if (event.kind != gui::EventKind::Control || event.window != WIN_NEW_IMAGE)
        return DialogEnd::Running;
    gui::Gui& g = *s.gui;
    if (event.control == c.width) {
        s.newImageWidth = fieldNumber(g.text(c.width));
    } else if (event.control == c.height) {
        s.newImageHeight = fieldNumber(g.text(c.height));
    } else if (event.control == c.swatch) {
        chooseFillColor(s, c.swatch);
    } else if (event.control == c.ok) {
        return DialogEnd::Ok;
    } else if (event.control == c.cancel) {
        return DialogEnd::Cancel;
    }
    return DialogEnd::Running;
}

void replaceImageInView(AppState& s) {
    s.newImageWidth = std::clamp(s.newImageWidth, kSmallestSide, kLargestSide);
    s.newImageHeight = std::clamp(s.newImageHeight, kSmallestSide, kLargestSide);
    saveUndo(s, s.imageInView);
    s.images.create(s.imageInView, s.newImageWidth, s.newImageHeight, 24, s.newImageColor);
    refreshDisplay(s);
    layoutScrollArea(s);
    if (s.imageInView == s.imgWork) refreshPalette(s);
}

}  // namespace

void newImageDialog(AppState& s) {
    gui::Gui& g = *s.gui;
    if (!g.openWindowCentred(WIN_NEW_IMAGE, kDialogSize, "New image", gui::WindowStyle::Tool,
                             WIN_MAIN))
        return;
    g.setBackground(WIN_NEW_IMAGE, kDialogBackground);
    const NewImageControls controls = buildControls(s);

    DialogEnd end = DialogEnd::Running;
    while (end == DialogEnd::Running)
        end = handleEvent(s, controls, g.waitEvent());

    if (end == DialogEnd::Ok) replaceImageInView(s);
    g.closeWindow(WIN_NEW_IMAGE);
    // The main loop asks whether to end the program once this command has returned.
    if (end == DialogEnd::Quit) s.quitRequested = 1;
}

}  // namespace vd
