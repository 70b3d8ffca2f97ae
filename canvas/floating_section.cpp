// The floating section: the clipboard's picture laid over the image in view, following the
// pointer, turned with Left and Right, mirrored with Up and flipped with Down, placed where
// the left button is released, dropped with Esc. While it floats nothing else runs.
//
// Each move repaints only what changed: the place the section left, from the image in view,
// and the place it now covers, so a move costs the section's size and not the picture's.

#include <algorithm>
#include <optional>
#include <utility>

#include "adjust/geometry.h"
#include "app/commands.h"
#include "platform/image/draw.h"

namespace vd {

namespace {

// The part of `r` on a picture of this size.
gui::Rect clippedTo(const gui::Rect& r, int width, int height) {
    const int left = std::max(r.x, 0), top = std::max(r.y, 0);
    const int right = std::min(r.x + r.width, width), bottom = std::min(r.y + r.height, height);
    if (right <= left || bottom <= top) return {};
    return {left, top, right - left, bottom - top};
}

class FloatingSection {
  public:
    FloatingSection(AppState& s, const Image& picture)
        : s_(s), gui_(*s.gui), picture_(picture) {}

    // The section starts centred on the picture.
    void start() {
        sizeFromSection();
        px_ = picture_.width() / 2 - hw_;
        py_ = picture_.height() / 2 - hh_;
        DrawTarget(canvas()).drawImage(picture_, 0, 0);
        // The picture just drawn took the outline away; at other zooms it is the overlay.
        gui_.setCanvasOverlay(GAD_CANVAS, std::nullopt, std::nullopt);
        drawSection();
        gui_.canvasUpdated(GAD_CANVAS);
    }

    // Handles one event; false once the section has been placed or dropped.
    bool handle(const gui::Event& event) {
        switch (event.kind) {
            case gui::EventKind::Close:
                if (event.window != WIN_MAIN) return true;
                s_.quitRequested = 1;
                return false;
            case gui::EventKind::Custom:
                if (event.custom != EVT_CANVAS_LEFT_UP) return true;
                place();
                return false;
            case gui::EventKind::Menu:
                turn(event.menuItem);
                return true;
            case gui::EventKind::Control:
                return handleCanvas(event);
            default:
                return true;
        }
    }

  private:
    Image& canvas() { return gui_.canvasPixels(GAD_CANVAS); }
    Image& section() { return *s_.images.get(IMG_SCRATCH); }

    void sizeFromSection() {
        w_ = section().width();
        h_ = section().height();
        hw_ = w_ / 2;
        hh_ = h_ / 2;
    }

    bool handleCanvas(const gui::Event& event) {
        if (event.control != GAD_CANVAS) return true;
        if (event.type == gui::CANVAS_POINTER_MOVED) {
            follow(event.x, event.y);
            return true;
        }
        return event.keyCode != gui::KEY_ESCAPE;
    }

    // Centred on the pointer, then kept on the picture: the far edges first, so a section
    // larger than the picture keeps its top-left corner on it.
    void follow(int x, int y) {
        const gui::Rect before = shownRect();
        px_ = x - hw_;
        py_ = y - hh_;
        if (px_ + w_ > picture_.width()) px_ = picture_.width() - w_;
        if (py_ + h_ > picture_.height()) py_ = picture_.height() - h_;
        if (px_ < 0) px_ = 0;
        if (py_ < 0) py_ = 0;
        redrawFrom(before);
    }

    void turn(int item) {
        const gui::Rect before = shownRect();
        Image& image = section();
        if (item == MENU_LEFT_KEY || item == MENU_RIGHT_KEY) {
            image = rotateQuarter(image, item == MENU_RIGHT_KEY);
            recentre();
        } else if (item == MENU_UP_KEY) {
            mirror(image);
        } else if (item == MENU_DOWN_KEY) {
            flip(image);
        } else {
            return;  // the other shortcuts do nothing while a section floats
        }
        redrawFrom(before);
    }

    // A turned section keeps its centre; the next move keeps it on the picture again.
    void recentre() {
        px_ += hw_;
        py_ += hh_;
        sizeFromSection();
        px_ -= hw_;
        py_ -= hh_;
    }

    gui::Rect shownRect() const {
        return clippedTo({px_, py_, w_, h_}, picture_.width(), picture_.height());
    }

    // The picture back where the section was, the section where it is now; the two areas
    // are painted again as they are, not their bounding box.
    void redrawFrom(const gui::Rect& before) {
        restorePicture(before);
        drawSection();
        gui_.canvasUpdated(GAD_CANVAS, before);
        gui_.canvasUpdated(GAD_CANVAS, shownRect());
    }

    void restorePicture(const gui::Rect& r) {
        Image& target = canvas();
        const gui::Rect area = clippedTo(r, std::min(target.width(), picture_.width()),
                                         std::min(target.height(), picture_.height()));
        for (int y = area.y; y < area.y + area.height; ++y) {
            const Color* from = picture_.row(y) + area.x;
            std::copy(from, from + area.width, target.row(y) + area.x);
        }
    }

    void drawSection() { DrawTarget(canvas()).drawImageBlended(section(), px_, py_); }

    void place() {
        saveUndo(s_, s_.imageInView);
        DrawTarget(*s_.images.get(s_.imageInView)).drawImageBlended(section(), px_, py_);
        if (s_.imageInView == s_.imgWork) refreshPalette(s_);
    }

    AppState& s_;
    gui::Gui& gui_;
    const Image& picture_;
    int w_ = 0, h_ = 0, hw_ = 0, hh_ = 0, px_ = 0, py_ = 0;
};

// The clipboard's picture at 32 bits, cut to the picture's size from its top-left corner.
std::optional<Image> sectionFromClipboard(const gui::Gui& g, const Image& picture) {
    std::optional<Image> section = g.clipboardImage(32);
    if (!section) return std::nullopt;
    if (section->width() > picture.width() || section->height() > picture.height()) {
        section = cropImage(*section, 0, 0, std::min(section->width(), picture.width()),
                            std::min(section->height(), picture.height()));
    }
    return section;
}

}  // namespace

void pasteFloatingSection(AppState& s) {
    gui::Gui& g = *s.gui;
    const Image* picture = s.images.get(s.imageInView);
    if (picture == nullptr) return;
    std::optional<Image> section = sectionFromClipboard(g, *picture);
    if (!section) return;
    s.images.put(IMG_SCRATCH, std::move(*section));

    // The loop drops what is not the section's; only the canvas takes input.
    const gui::InputHold hold(g, WIN_MAIN, GAD_CANVAS);
    FloatingSection floating(s, *s.images.get(s.imageInView));
    floating.start();
    g.setCursor(GAD_CANVAS, gui::CursorShape::Hand);
    while (floating.handle(g.waitEvent())) {
    }
    s.images.free(IMG_SCRATCH);
    g.setCursor(GAD_CANVAS, gui::CursorShape::Cross);
    refreshDisplay(s);
}

}  // namespace vd
