#include <algorithm>
#include <optional>
#include <string>

#include "adjust/resize_ops.h"
#include "app/commands.h"
#include "dialogs/dialog.h"

// The New image dialog: width, height and fill colour of a blank 24-bit picture that replaces
// the image in view. The typed values are kept as they are typed, so they survive a Cancel;
// only OK clamps them to the sizes the program offers.

namespace vd {

namespace {

constexpr gui::Size kDialogSize{240, 130};
constexpr gui::Size kSwatchSize{90, 45};

struct NewImageControls {
    ControlNumber width{-1}, height{-1}, swatch{-1}, ok{-1}, cancel{-1};
};

enum class DialogEnd { Running, Ok, Cancel };

NewImageControls buildControls(Dialog& d, const AppState& s) {
    NewImageControls c;
    c.width = d.addDigitsField({10, 10, 60, 25}, std::to_string(s.newImageWidth));
    c.height = d.addDigitsField({10, 40, 60, 25}, std::to_string(s.newImageHeight));
    d.addLabel({75, 15, 50, 25}, "width");
    d.addLabel({75, 40, 50, 25}, "Height");
    d.addLabel({135, 15, 95, 25}, "Back color");
    c.swatch = d.addPicture({135, 45, kSwatchSize.width, kSwatchSize.height},
                            swatchPicture(kSwatchSize, s.newImageColor));
    c.ok = d.addOkButton({155, 100, 60, 25});
    c.cancel = d.addCancelButton({10, 100, 60, 25});
    return c;
}

// Typed values are kept at once, so they survive a Cancel.
DialogEnd handleControl(AppState& s, const NewImageControls& c, const gui::Event& event) {
    gui::Gui& g = *s.gui;
    if (event.control == c.width) {
        s.newImageWidth = fieldNumber(g.text(c.width));
    } else if (event.control == c.height) {
        s.newImageHeight = fieldNumber(g.text(c.height));
    } else if (event.control == c.swatch) {
        chooseSwatchColor(g, s.newImageColor, c.swatch, kSwatchSize);
    } else if (event.control == c.ok) {
        return DialogEnd::Ok;
    } else if (event.control == c.cancel) {
        return DialogEnd::Cancel;
    }
    return DialogEnd::Running;
}

void replaceImageInView(AppState& s) {
    s.newImageWidth = std::clamp(s.newImageWidth, kSmallestResizeSide, kLargestResizeSide);
    s.newImageHeight = std::clamp(s.newImageHeight, kSmallestResizeSide, kLargestResizeSide);
    saveUndo(s, s.imageInView);
    s.images.create(s.imageInView, s.newImageWidth, s.newImageHeight, 24, s.newImageColor);
    resetZoom(s);
    refreshDisplay(s);
    layoutScrollArea(s);
    if (s.imageInView == s.imgWork) refreshPalette(s);
}

}  // namespace

void newImageDialog(AppState& s) {
    Dialog dialog(s, WIN_NEW_IMAGE, kDialogSize, "New image");
    if (!dialog.isOpen()) return;
    const NewImageControls controls = buildControls(dialog, s);
    DialogEnd end = DialogEnd::Running;
    while (end == DialogEnd::Running) {
        const DialogEvent next = dialog.next();
        if (next.input == DialogInput::Closed) end = DialogEnd::Cancel;
        if (next.input == DialogInput::Control) end = handleControl(s, controls, next.event);
    }
    if (end == DialogEnd::Ok) replaceImageInView(s);
}

}  // namespace vd
