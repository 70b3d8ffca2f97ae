// The pictures the program draws for itself: the Undo and Redo button faces and the pattern
// shown before any picture is loaded.

#include "app/commands.h"

namespace vd {

namespace {

constexpr Color kOpaque = kAlphaMask;
constexpr Color kIconBackground = 0x5F5F5F | kOpaque;
constexpr Color kIconArrow = 0x00FF00;  // green

constexpr int kPatternWidth = 768;
constexpr int kPatternHeight = 619;

// A left-pointing arrow: a triangle head filled from inside, and a shaft to its right.
void drawUndoArrow(Image& icon) {
    DrawTarget target(icon);
    target.line(2, 11, 16, 4, kIconArrow);
    target.line(2, 11, 16, 18, kIconArrow);
    target.line(16, 3, 16, 18, kIconArrow);
    target.floodFill(4, 11, kIconArrow, kIconArrow);
    target.filledBox(17, 8, 18, 6, kIconArrow);
}

// Every pixel blends a colour of the XOR pattern over black, more strongly where the pattern
// is brighter, so the picture fades in bands.
void blendPattern(Image& picture) {
    DrawTarget target(picture, DrawMode::AlphaBlend);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const int c = (x ^ y) & 255;
            target.writePixel(x, y, makeColor(c & x, 255 - c, c & y, (2 * c) & 255));
        }
    }
}

// The two hints, black on an opaque white box so they read on any part of the pattern.
void drawHints(gui::Gui& g, Image& picture) {
    const gui::FontChoice font{"Arial", 10, gui::FontStyle::Normal};
    const Color ink = kOpaque;
    const Color paper = 0xFFFFFF | kOpaque;
    g.drawText(picture, {10, 10}, " RIGHT MOUSE CLICK FOR MENU ", font, ink, paper,
               DrawMode::AlphaBlend);
    g.drawText(picture, {10, 40}, " PRESS F1 KEY FOR HELP ", font, ink, paper,
               DrawMode::AlphaBlend);
}

}  // namespace

void drawButtonPictures(AppState& s) {
    if (!s.images.create(IMG_UNDO_ICON, 38, 23, 32, kIconBackground)) return;
    drawUndoArrow(*s.images.get(IMG_UNDO_ICON));
    s.images.copy(IMG_UNDO_ICON, IMG_REDO_ICON);
    mirrorCommand(s, IMG_REDO_ICON);
}

void createStartPattern(AppState& s) {
    // Opaque black, so that the blended pattern is what shows on the canvas.
    if (!s.images.create(IMG_ORIGINAL, kPatternWidth, kPatternHeight, 32, kOpaque)) return;
    Image& picture = *s.images.get(IMG_ORIGINAL);
    blendPattern(picture);
    drawHints(*s.gui, picture);
    s.images.copy(IMG_ORIGINAL, s.imgReference);
    s.images.copy(IMG_ORIGINAL, s.imgWork);
}

}  // namespace vd
