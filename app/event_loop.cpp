// The main loop: every user action arrives here as an event and runs its command to the end
// before the next event is taken.

#include "app/commands.h"
#include "platform/image/pixel_buffer.h"

namespace vd {

namespace {

bool isHistogramControl(ControlNumber c) {
    const int n = toInt(c);
    return c == GAD_HISTOGRAM || (n >= toInt(GAD_HIST_RED) && n <= toInt(GAD_HIST_AVG));
}

void dispatchControl(AppState& s, const gui::Event& event) {
    const ControlNumber c = event.control;
    if (c == GAD_UNDO) {
        undo(s);
    } else if (c == GAD_REDO) {
        redo(s);
    } else if (isHistogramControl(c)) {
        refreshHistogram(s);
    } else if (c == GAD_VIEW_REFERENCE || c == GAD_VIEW_WORK) {
        switchView(s, c);
    } else if (c == GAD_APPLY) {
        applyQuantize(s);
    } else if (c == GAD_METHOD) {
        methodChanged(s);
    } else if (c == GAD_LIMIT) {
        limitChanged(s, event.type);
    } else if (c == GAD_PALETTE) {
        editPaletteColor(s, event);
    } else if (c == GAD_CANVAS && event.type == gui::CANVAS_WHEEL) {
        zoomByWheel(s, event);
    }
}

// Items 1 to 9 change the image in view, which is then shown again; Two Colors redraws after
// its dialog whatever it ended with.
void runImageOperation(AppState& s, int item) {
    const ImageNumber n = s.imageInView;
    // Not over a dialog, which waits for the user.
    const BusyCursor busy(*s.gui, item != MENU_TWO_COLORS && isBigPicture(s, n));
    switch (item) {
        case MENU_FLIP:
            flipCommand(s, n);
            break;
        case MENU_MIRROR:
            mirrorCommand(s, n);
            break;
        case MENU_NEGATIVE:
            negativeCommand(s, n);
            break;
        case MENU_ROTATE_RIGHT:
            rotateQuarterCommand(s, n, true);
            break;
        case MENU_CROP:
            if (!cropCommand(s, n)) return;
            break;
        case MENU_GRAY_SCALE:
            grayScaleCommand(s, n);
            break;
        case MENU_ROTATE_180:
            rotate180Command(s, n);
            break;
        case MENU_TWO_COLORS:
            twoColorsDialog(s);
            break;
        case MENU_ROTATE_LEFT:
            rotateQuarterCommand(s, n, false);
            break;
        default:
            return;
    }
    // A picture turned or cut is a new picture to look at, even when its size stays.
    if (item == MENU_ROTATE_RIGHT || item == MENU_ROTATE_LEFT || item == MENU_CROP) resetZoom(s);
    refreshDisplay(s);
}

void dispatchMenu(AppState& s, int item) {
    if (item >= MENU_FLIP && item <= MENU_ROTATE_LEFT) {
        runImageOperation(s, item);
        return;
    }
    switch (item) {
        case MENU_REVERT: {
            const BusyCursor busy(*s.gui, isBigPicture(s, IMG_ORIGINAL));
            revertImage(s);
            break;
        }
        case MENU_SET_WORK_AS_REFERENCE: {
            const BusyCursor busy(*s.gui, isBigPicture(s, s.imgWork));
            setWorkAsReference(s);
            break;
        }
        case MENU_LOAD_IMAGE:
            loadImageFile(s);
            break;
        case MENU_SAVE_IMAGE:
            saveImageFile(s);
            break;
        case MENU_COPY:
            copySelectionToClipboard(s);
            break;
        case MENU_PASTE_FLOATING:
            pasteFloatingSection(s);
            break;
        case MENU_CONTRAST:
            contrastDialog(s);
            break;
        case MENU_RETURN_KEY:
            enterPressed(s);
            break;
        case MENU_NEW_IMAGE:
            newImageDialog(s);
            break;
        case MENU_ADD_TEXT:
            addTextDialog(s);
            break;
        case MENU_BRIGHTNESS:
            brightnessDialog(s);
            break;
        case MENU_LEFT_KEY:
        case MENU_RIGHT_KEY:
        case MENU_UP_KEY:
        case MENU_DOWN_KEY:
            // Only the floating section listens to the arrow keys, inside its own loop.
            break;
        case MENU_HELP:
            showHelp(s);
            break;
        case MENU_RESIZE_IMAGE:
            resizeImageDialog(s);
            break;
        case MENU_RESIZE_CANVAS:
            resizeCanvasDialog(s);
            break;
        case MENU_QUIT:
            s.quitRequested = 1;
            break;
        case MENU_UNDO:
            undo(s);
            break;
        case MENU_REDO:
            redo(s);
            break;
        case MENU_PASTE_NEW_IMAGE:
            pasteNewImage(s);
            break;
        case MENU_ZOOM_IN:
        case MENU_ZOOM_OUT:
            zoomStep(s, item == MENU_ZOOM_IN, gui::ZoomAnchor::Centre);
            break;
        case MENU_ZOOM_FIT:
            zoomToFit(s);
            break;
        case MENU_ZOOM_ACTUAL:
            zoomToActualSize(s);
            break;
        default:
            break;
    }
}

void dispatchClose(AppState& s, WindowNumber w) {
    gui::Gui& g = *s.gui;
    if (w == WIN_MAIN) {
        s.quitRequested = 1;
    } else if (w == WIN_HISTOGRAM) {
        g.setChecked(GAD_HISTOGRAM, false);
        showHistogram(s, -1);
    } else if (w == WIN_PALETTE) {
        // Hidden, not closed: the next palette shown brings it back in its place.
        g.hideWindow(w);
    } else if (w == WIN_CONTRAST || w == WIN_HELP) {
        g.closeWindow(w);
    }
}

void dispatchSize(AppState& s, WindowNumber w) {
    if (w == WIN_MAIN) {
        layoutScrollArea(s);
        // A picture fitted into the window stays fitted as the window changes size.
        if (s.zoomFitsView) zoomToFit(s);
    } else if (w == WIN_HELP) {
        fitHelpText(s);
    }
}

// A file or a picture from outside the program takes the road of one chosen in the open
// requester, or of one pasted from the clipboard: one load, with its refusals and reasons.
void dispatchOpen(AppState& s, const gui::Event& event) {
    if (!event.path.empty()) {
        loadImagePath(s, event.path);
    } else if (event.picture) {
        pasteNewPicture(s, *event.picture);
    }
}

void dispatchCustom(AppState& s, int number) {
    if (number == EVT_CANVAS_LEFT_DOWN) {
        canvasPress(s, GAD_CANVAS);
    } else if (number == EVT_CANVAS_MENU) {
        s.gui->showPopupMenu(WIN_MAIN);
    }
    // EVT_CANVAS_LEFT_UP matters only to the loops of a drag or a floating section.
}

}  // namespace

BusyCursor::BusyCursor(gui::Gui& gui, bool longWork) : gui_(longWork ? &gui : nullptr) {
    if (gui_) gui_->beginBusy();
}

BusyCursor::~BusyCursor() {
    if (gui_) gui_->endBusy();
}

bool isBigPicture(const AppState& s, ImageNumber n) {
    const Image* image = s.images.get(n);
    return image != nullptr && image->pixelCount() >= kBusyPixels;
}

int processEvents(AppState& s) {
    gui::Gui& g = *s.gui;
    do {
        dispatchEvent(s, g.waitEvent());
        // A picture dropped by the command is not kept for one that never comes.
        releaseSparePixels();
    } while (s.quitRequested != 1);
    if (g.requesters().askYesNo("End Program", "Are you sure?", gui::YesNoDefault::No)) return 0;
    s.quitRequested = 0;
    return 1;
}

void dispatchEvent(AppState& s, const gui::Event& event) {
    switch (event.kind) {
        case gui::EventKind::Control:
            dispatchControl(s, event);
            break;
        case gui::EventKind::Menu:
            dispatchMenu(s, event.menuItem);
            break;
        case gui::EventKind::Close:
            dispatchClose(s, event.window);
            break;
        case gui::EventKind::Move:
            followMainWindow(s);
            break;
        case gui::EventKind::Size:
            dispatchSize(s, event.window);
            break;
        case gui::EventKind::Custom:
            dispatchCustom(s, event.custom);
            break;
        case gui::EventKind::Open:
            dispatchOpen(s, event);
            break;
        case gui::EventKind::Timer:
        case gui::EventKind::Timeout:
            break;
    }
}

void canvasCallback(AppState& s, const gui::Event& event) {
    gui::Gui& g = *s.gui;
    switch (event.type) {
        case gui::CANVAS_LEFT_DOWN:
            // Ctrl alone arms a colour pick; Ctrl with Shift still selects.
            if (event.modifiers == gui::MOD_CTRL) s.pickArmed = 1;
            g.postCustomEvent(EVT_CANVAS_LEFT_DOWN);
            break;
        case gui::CANVAS_LEFT_UP:
            g.postCustomEvent(EVT_CANVAS_LEFT_UP);
            break;
        case gui::CANVAS_RIGHT_CLICK:
            g.postCustomEvent(EVT_CANVAS_MENU);
            break;
        default:
            break;
    }
}

void enterPressed(AppState& s) {
    gui::Gui& g = *s.gui;
    if (g.focusedControl() != GAD_LIMIT) return;
    gui::Event apply;
    apply.kind = gui::EventKind::Control;
    apply.window = WIN_MAIN;
    apply.control = GAD_APPLY;
    apply.type = gui::CONTROL_ACTIVATED;
    g.postEvent(apply);
}

}  // namespace vd
