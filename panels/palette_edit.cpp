// Recolouring one palette colour throughout the work image, with the user's confirmation.

#include "adjust/recolor.h"

#include <algorithm>

#include "app/commands.h"
#include "platform/image/draw.h"

namespace vd {

namespace {

// The first entry of `from` becomes `to`; later equal entries stay as they are.
void replaceFirstEntry(Palette& palette, Color from, Color to) {
    const auto it = std::find_if(palette.begin(), palette.end(),
                                 [from](Color entry) { return (entry & kRgbMask) == from; });
    if (it != palette.end()) *it = keepAlpha(*it, to);
}

void showWork(AppState& s) {
    s.imageInView = s.imgWork;
    refreshDisplay(s);
}

// The change stays: the palette follows, and the picture from before it becomes the Work
// view's undo step (saveUndo would save the changed picture).
void keepChange(AppState& s, Color oldColor, Color newColor) {
    replaceFirstEntry(s.currentPalette, oldColor, newColor);
    showPalette(s, s.currentPalette);
    s.images.copy(IMG_SCRATCH, s.imgWorkUndo);
    s.undoFlags = (s.undoFlags & (UNDO_REFERENCE | REDO_REFERENCE)) | UNDO_WORK;
    updateUndoButtons(s, s.imgWork);
}

}  // namespace

void editPaletteColor(AppState& s, const gui::Event& event) {
    if (event.type != gui::CONTROL_ACTIVATED) return;
    Image* palette = s.images.get(IMG_PALETTE);
    if (palette == nullptr || !s.images.exists(s.imgWork)) return;
    // The picture sits at the window's origin, so the click is a point of the palette image.
    const Color oldColor = DrawTarget(*palette).readPixel(event.x, event.y);

    gui::Gui& g = *s.gui;
    const std::optional<Color> chosen = g.requesters().chooseColor(oldColor);
    if (!chosen) return;
    const Color newColor = *chosen & kRgbMask;

    if (!s.images.copy(s.imgWork, IMG_SCRATCH)) return;
    replaceColor(*s.images.get(s.imgWork), oldColor, newColor);
    showWork(s);

    if (g.requesters().askYesNo("", "Do you wish to keep this color?", gui::YesNoDefault::Yes)) {
        keepChange(s, oldColor, newColor);
    } else {
        s.images.copy(IMG_SCRATCH, s.imgWork);
        showWork(s);
    }
    s.images.free(IMG_SCRATCH);
}

}  // namespace vd
