// Copy: the selected rectangle of the image in view, or the whole image, goes on the system
// clipboard, and a short note says so.

#include <new>

#include "adjust/geometry.h"
#include "app/commands.h"
#include "dialogs/dialog.h"

namespace vd {

namespace {

constexpr gui::Size kNoteSize{200, 30};
constexpr int kNoteMs = 1500;

// The note sits near the middle of the picture, a little right of it.
gui::Rect notePlace(const AppState& s, const Image& picture) {
    const gui::Point main = s.gui->outerPosition(WIN_MAIN);
    return {main.x + picture.width() / 2 + 30, main.y + picture.height() / 2 - 15,
            kNoteSize.width, kNoteSize.height};
}

}  // namespace

void copySelectionToClipboard(AppState& s) {
    const Image* picture = s.images.get(s.imageInView);
    if (picture == nullptr) return;
    const SelectionRecord& sel = s.Selection;
    if (sel.active == 1) {
        Image region;
        try {
            region = cropToSelection(*picture, sel.left, sel.top, sel.right, sel.bottom);
        } catch (const std::bad_alloc&) {
            return;  // nothing copied: no note, the selection stays
        }
        if (region.empty()) return;
        s.gui->setClipboardImage(region);
        refreshDisplay(s);  // which also ends the selection
    } else {
        s.gui->setClipboardImage(*picture);
    }
    showNotice(*s.gui, notePlace(s, *picture), "copied to clipboard.", kNoteMs);
}

}  // namespace vd
