// The main window: its controls, pop-up menu and shortcuts, the quantize panel's Limit box,
// and the layout rules while the window is moved and resized.

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "app/commands.h"
#include "quantize/quantize.h"

namespace vd {

namespace {

using gui::MenuEntry;

constexpr Color kPanelBackground = 0xEBCE87;  // red 135, green 206, blue 235
constexpr int kScrollAreaX = 125;
constexpr int kScrollAreaY = 5;
// The left column plus the margins around the scroll area.
constexpr int kColumnWidth = 134;
constexpr int kMinimumInnerWidth = 619;
constexpr int kMinimumInnerHeight = 642;
// The palette window sits this far below the top of the "Work" button.
constexpr int kPaletteBelowWorkButton = 40;

MenuEntry item(const char* label, int number) {
    return MenuEntry::command(label, number);
}

}  // namespace

std::vector<MenuEntry> popupMenuEntries() {
    return {
        MenuEntry::sub("File...", {item("load image\tCtrl+L", MENU_LOAD_IMAGE),
                                   item("save image\tCtrl+S", MENU_SAVE_IMAGE),
                                   item("new image\tCtrl+N", MENU_NEW_IMAGE),
                                   item("Revert", MENU_REVERT), item("Quit", MENU_QUIT)}),
        MenuEntry::sub("Resize...", {item("resize canvas", MENU_RESIZE_CANVAS),
                                     item("resize image", MENU_RESIZE_IMAGE)}),
        MenuEntry::bar(),
        item("set work as reference", MENU_SET_WORK_AS_REFERENCE),
        MenuEntry::bar(),
        MenuEntry::sub("Edit...",
                       {item("add text\tCtrl+T", MENU_ADD_TEXT), item("copy\tCtrl+C", MENU_COPY),
                        item("crop\tCtrl+X", MENU_CROP),
                        MenuEntry::sub("paste...",
                                       {item("paste floating section\tCtrl+V", MENU_PASTE_FLOATING),
                                        item("paste new image\tCtrl+I", MENU_PASTE_NEW_IMAGE)}),
                        item("redo\tCtrl+Y", MENU_REDO), item("undo\tCtrl+Z", MENU_UNDO)}),
        MenuEntry::bar(),
        MenuEntry::sub("colors...",
                       {item("Brightness", MENU_BRIGHTNESS), item("Contrast", MENU_CONTRAST),
                        MenuEntry::bar(), item("Gray Scale", MENU_GRAY_SCALE),
                        item("Two Colors", MENU_TWO_COLORS), item("Negative", MENU_NEGATIVE)}),
        MenuEntry::bar(),
        MenuEntry::sub("Rotate...", {item("Mirror", MENU_MIRROR), item("Flip", MENU_FLIP),
                                     item("Rotate 180", MENU_ROTATE_180),
                                     item("Rotate Right", MENU_ROTATE_RIGHT),
                                     item("Rotate Left", MENU_ROTATE_LEFT)}),
        MenuEntry::bar(),
        item("Help\tF1", MENU_HELP),
    };
}

std::vector<KeyShortcut> mainShortcuts() {
    // Letters use their upper-case ASCII code as key code.
    return {
        {gui::KEY_RETURN, 0, MENU_RETURN_KEY},
        {gui::KEY_LEFT, 0, MENU_LEFT_KEY},
        {gui::KEY_RIGHT, 0, MENU_RIGHT_KEY},
        {gui::KEY_UP, 0, MENU_UP_KEY},
        {gui::KEY_DOWN, 0, MENU_DOWN_KEY},
        {gui::KEY_F1, 0, MENU_HELP},
        {'C', gui::MOD_CTRL, MENU_COPY},
        {'V', gui::MOD_CTRL, MENU_PASTE_FLOATING},
        {'L', gui::MOD_CTRL, MENU_LOAD_IMAGE},
        {'S', gui::MOD_CTRL, MENU_SAVE_IMAGE},
        {'N', gui::MOD_CTRL, MENU_NEW_IMAGE},
        {'T', gui::MOD_CTRL, MENU_ADD_TEXT},
        {'I', gui::MOD_CTRL, MENU_PASTE_NEW_IMAGE},
        {'Z', gui::MOD_CTRL, MENU_UNDO},
        {'Y', gui::MOD_CTRL, MENU_REDO},
        {'X', gui::MOD_CTRL, MENU_CROP},
    };
}

namespace {

// The zoom keys, beside the shortcuts of the menu's commands.
std::vector<KeyShortcut> zoomShortcuts() {
    return {
        {gui::KEY_PLUS, gui::MOD_CTRL, MENU_ZOOM_IN},
        {gui::KEY_EQUALS, gui::MOD_CTRL, MENU_ZOOM_IN},
        {gui::KEY_MINUS, gui::MOD_CTRL, MENU_ZOOM_OUT},
        {'0', gui::MOD_CTRL, MENU_ZOOM_FIT},
        {'1', gui::MOD_CTRL, MENU_ZOOM_ACTUAL},
    };
}

void addShortcuts(gui::Gui& g) {
    for (const KeyShortcut& s : mainShortcuts())
        g.addShortcut(WIN_MAIN, s.key, s.modifiers, s.item);
    for (const KeyShortcut& s : zoomShortcuts())
        g.addShortcut(WIN_MAIN, s.key, s.modifiers, s.item);
}

void addUndoRedoButtons(AppState& s) {
    gui::Gui& g = *s.gui;
    drawButtonPictures(s);
    auto picture = [&s](ImageNumber n) {
        const Image* image = s.images.get(n);
        return image ? *image : Image();
    };
    g.addImageButton(WIN_MAIN, GAD_UNDO, {15, 5, 44, 29}, picture(IMG_UNDO_ICON), "Undo");
    g.setEnabled(GAD_UNDO, false);
    g.addImageButton(WIN_MAIN, GAD_REDO, {70, 5, 44, 29}, picture(IMG_REDO_ICON), "Redo");
    g.setEnabled(GAD_REDO, false);
}

void addViewPanel(gui::Gui& g) {
    g.addGroupFrame(WIN_MAIN, g.freshControlNumber(), {5, 230, 115, 50}, "Unique colors");
    g.addTextLabel(WIN_MAIN, GAD_UNIQUE_COUNT, {10, 250, 105, 20}, "");
    g.addGroupFrame(WIN_MAIN, g.freshControlNumber(), {5, 285, 115, 75}, "View");
    g.addOptionButton(WIN_MAIN, GAD_VIEW_REFERENCE, {10, 305, 100, 20}, "Reference", true);
    g.addOptionButton(WIN_MAIN, GAD_VIEW_WORK, {10, 330, 100, 20}, "Work", false);
    g.setChecked(GAD_VIEW_REFERENCE, true);
}

// Rows 0 to 2 and Kmeans remember their Limit value in the row's data; the fixed rows carry
// none.
void addMethodList(gui::Gui& g) {
    g.addDropDown(WIN_MAIN, GAD_METHOD, {10, 60, 105, 30});
    for (const MethodInfo& method : kMethods) {
        const bool remembers = method.limitKind != LimitKind::Fixed;
        g.addDropDownRow(GAD_METHOD, std::string(method.label),
                         remembers ? std::optional<int>(method.startLimit) : std::nullopt);
    }
    g.selectRow(GAD_METHOD, 0);
}

void addQuantizePanel(gui::Gui& g) {
    g.addGroupFrame(WIN_MAIN, g.freshControlNumber(), {5, 40, 115, 155}, "Quantize");
    addMethodList(g);
    g.addCheckBox(WIN_MAIN, GAD_DITHER, {10, 130, 105, 26}, "Dither");
    g.addPushButton(WIN_MAIN, GAD_APPLY, {20, 160, 85, 30}, "Apply");
    g.addTextLabel(WIN_MAIN, g.freshControlNumber(), {70, 100, 35, 25}, "Limit", kPanelBackground);
    g.addSpinBox(WIN_MAIN, GAD_LIMIT, {10, 100, 55, 25}, 2, 256, 32);
    g.setText(GAD_LIMIT, "32");
}

void addCanvas(gui::Gui& g) {
    g.addScrollArea(WIN_MAIN, GAD_SCROLL, {kScrollAreaX, kScrollAreaY, 772, 619}, 10, {768, 605});
    g.addCanvas(GAD_SCROLL, GAD_CANVAS, {772, 619});
    g.setCursor(GAD_CANVAS, gui::CursorShape::Cross);
}

// The controls in their creation order, which is also the keyboard focus order.
void createControls(AppState& s) {
    gui::Gui& g = *s.gui;
    g.addCheckBox(WIN_MAIN, GAD_HISTOGRAM, {10, 200, 110, 26}, "Histogram");
    addUndoRedoButtons(s);
    addViewPanel(g);
    addQuantizePanel(g);
    addCanvas(g);
}

// The image in view, copied to the canvas origin as it is.
void drawImageInViewOnCanvas(AppState& s) {
    const Image* image = s.images.get(s.imageInView);
    if (!image) return;
    DrawTarget canvas(s.gui->canvasPixels(GAD_CANVAS));
    canvas.drawImage(*image, 0, 0);
    s.gui->canvasUpdated(GAD_CANVAS);
}

int cubed(int n) {
    return n * n * n;
}

// The number the text starts with; 0 when it starts with anything else. Large numbers stop
// growing once they are past any limit the box knows.
int leadingNumber(const std::string& text) {
    int value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        value = std::min(value * 10 + (c - '0'), 1'000'000);
    }
    return value;
}

}  // namespace

int buildMainWindow(AppState& s) {
    gui::Gui& g = *s.gui;
    if (!g.openWindow(WIN_MAIN, {459, 206, 772, 619}, "Vandrell  |  1.37",
                      gui::WindowStyle::Main)) {
        return 0;
    }
    g.setBackground(WIN_MAIN, kPanelBackground);
    // The file and the selection, then the zoom at the right.
    g.createStatusBar(WIN_MAIN, 2, 1);
    g.setInnerSize(WIN_MAIN, {902, 619 + g.statusBarHeight(WIN_MAIN)});
    g.moveWindow(WIN_MAIN, {459, 206});
    g.setMinimumInnerSize(WIN_MAIN, {kMinimumInnerWidth, kMinimumInnerHeight});
    g.setControlFont("Arial", 10);
    g.setPopupMenu(WIN_MAIN, popupMenuEntries());
    addShortcuts(g);
    // A picture file or picture dropped anywhere on the window is opened.
    g.takeDrops(WIN_MAIN);
    createControls(s);
    methodChanged(s);
    g.setCanvasCallback(GAD_CANVAS, [&s](const gui::Event& event) { canvasCallback(s, event); });
    createStartPattern(s);
    drawImageInViewOnCanvas(s);
    showZoom(s);
    return 1;
}

void methodChanged(AppState& s) {
    gui::Gui& g = *s.gui;
    const int row = g.selectedRow(GAD_METHOD);
    if (row < 0 || row >= kMethodCount) return;
    const MethodInfo& method = kMethods[row];
    const int remembered = g.rowData(GAD_METHOD, row).value_or(method.startLimit);
    switch (method.limitKind) {
        case LimitKind::PaletteSize:
            g.setEnabled(GAD_LIMIT, true);
            g.setRange(GAD_LIMIT, 2, 256);
            g.setValue(GAD_LIMIT, remembered);
            g.setText(GAD_LIMIT, std::to_string(remembered));
            break;
        case LimitKind::Levels:
            // The range goes first: narrowing it may rewrite the text, which must end as n³.
            g.setEnabled(GAD_LIMIT, true);
            g.setRange(GAD_LIMIT, 2, 16);
            g.setValue(GAD_LIMIT, remembered);
            g.setText(GAD_LIMIT, std::to_string(cubed(remembered)));
            break;
        case LimitKind::Fixed:
            // The value stays as it was, so a later switch back finds it untouched.
            g.setText(GAD_LIMIT, std::to_string(method.startLimit));
            g.setEnabled(GAD_LIMIT, false);
            break;
    }
}

void limitChanged(AppState& s, int eventType) {
    gui::Gui& g = *s.gui;
    const int row = g.selectedRow(GAD_METHOD);
    if (eventType == gui::SPIN_STEPPED) {
        const int value = g.value(GAD_LIMIT);
        g.setText(GAD_LIMIT, std::to_string(row == 0 ? cubed(value) : value));
        g.setRowData(GAD_METHOD, row, value);
    } else if (eventType == gui::TEXT_EDITED) {
        if (row == 0) {
            // Levels are only stepped: typed text just shows the colour count again.
            g.setText(GAD_LIMIT, std::to_string(cubed(g.value(GAD_LIMIT))));
            return;
        }
        const int typed = leadingNumber(g.text(GAD_LIMIT));
        if (typed > 256) g.setText(GAD_LIMIT, "256");
        if (typed < 1) g.setText(GAD_LIMIT, "2");
        g.setValue(GAD_LIMIT, typed);
        g.setRowData(GAD_METHOD, row, g.value(GAD_LIMIT));
    }
}

void layoutScrollArea(AppState& s) {
    gui::Gui& g = *s.gui;
    const gui::Rect inner = g.innerRect(WIN_MAIN);
    g.setControlRect(GAD_SCROLL, {kScrollAreaX, kScrollAreaY, inner.width - 130,
                                  inner.height - g.statusBarHeight(WIN_MAIN) - 10});
}

void fitWindowToImage(AppState& s, ImageNumber n) {
    gui::Gui& g = *s.gui;
    int width = s.images.width(n) + kColumnWidth;
    int height = s.images.height(n) + g.statusBarHeight(WIN_MAIN) + 14;
    const gui::Size frame = g.frameExtra(WIN_MAIN);
    const int desktopWidth = g.desktop().screenWidth();
    const int desktopHeight = g.desktop().screenHeight();
    width = std::max(std::min(width, desktopWidth - frame.width), kMinimumInnerWidth);
    height = std::max(std::min(height, desktopHeight - frame.height), kMinimumInnerHeight);
    g.setInnerSize(WIN_MAIN, {width, height});
    g.moveWindow(WIN_MAIN, {(desktopWidth - width - frame.width) / 2,
                            (desktopHeight - height - frame.height) / 2});
}

gui::Point palettePlace(const AppState& s) {
    const gui::Gui& g = *s.gui;
    const gui::Rect inner = g.innerRect(WIN_MAIN);
    return {inner.x + 4, inner.y + g.controlRect(GAD_VIEW_WORK).y + kPaletteBelowWorkButton};
}

void followMainWindow(AppState& s) {
    gui::Gui& g = *s.gui;
    if (!g.windowExists(WIN_PALETTE)) return;
    const gui::Point place = palettePlace(s);
    if (place.x == s.palettePlaceX && place.y == s.palettePlaceY) return;
    s.palettePlaceX = place.x;
    s.palettePlaceY = place.y;
    g.moveWindow(WIN_PALETTE, place);
}

}  // namespace vd
