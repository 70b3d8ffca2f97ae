// Return and Esc in every dialog, through the real widgets: Esc does what Cancel does, Return
// what OK does (or what the focused button does), but not in a text box of several lines;
// Esc closes the windows without a Cancel as their close box does.

#include <QTest>
#include <QWidget>
#include <optional>
#include <ostream>
#include <string>

#include "platform/gui/qt_access.h"
#include "tests/dialogs/dialog_fixture.h"

namespace vd::test {
namespace {

struct DialogKeyCase {
    std::string name;
    int menuItem;
    WindowNumber window;
    gui::Rect focus;  // the control holding the focus when the key comes
    int key;
    bool confirms;  // what OK does, else what Cancel does
    std::optional<gui::Rect> slider = std::nullopt;  // moved first, for a preview to keep
};

void PrintTo(const DialogKeyCase& c, std::ostream* os) { *os << c.name; }

constexpr gui::Rect kWidthField{10, 10, 60, 25};
constexpr gui::Rect kBrightnessSlider{10, 25, 257, 25}, kBrightnessCancel{110, 100, 70, 30};
constexpr gui::Rect kContrastSlider{15, 20, 201, 25}, kThresholdSlider{15, 85, 257, 30};
constexpr gui::Rect kTransparentBox{10, 135, 260, 30}, kTextBox{10, 170, 260, 100};
constexpr int kReturn = gui::KEY_RETURN, kEsc = gui::KEY_ESCAPE;

const DialogKeyCase kCases[] = {
    {"NewImageReturn", MENU_NEW_IMAGE, WIN_NEW_IMAGE, kWidthField, kReturn, true},
    {"NewImageEsc", MENU_NEW_IMAGE, WIN_NEW_IMAGE, kWidthField, kEsc, false},
    {"BrightnessReturn", MENU_BRIGHTNESS, WIN_BRIGHTNESS, kBrightnessSlider, kReturn, true,
     kBrightnessSlider},
    {"BrightnessEsc", MENU_BRIGHTNESS, WIN_BRIGHTNESS, kBrightnessSlider, kEsc, false,
     kBrightnessSlider},
    {"BrightnessReturnOnFocusedCancel", MENU_BRIGHTNESS, WIN_BRIGHTNESS, kBrightnessCancel,
     kReturn, false, kBrightnessSlider},
    {"ContrastReturn", MENU_CONTRAST, WIN_CONTRAST, kContrastSlider, kReturn, true,
     kContrastSlider},
    {"ContrastEsc", MENU_CONTRAST, WIN_CONTRAST, kContrastSlider, kEsc, false, kContrastSlider},
    {"TwoColorsReturn", MENU_TWO_COLORS, WIN_TWO_COLORS, kThresholdSlider, kReturn, true},
    {"TwoColorsEsc", MENU_TWO_COLORS, WIN_TWO_COLORS, kThresholdSlider, kEsc, false},
    {"ResizeImageReturn", MENU_RESIZE_IMAGE, WIN_RESIZE_IMAGE, kWidthField, kReturn, true},
    {"ResizeImageEsc", MENU_RESIZE_IMAGE, WIN_RESIZE_IMAGE, kWidthField, kEsc, false},
    {"ResizeCanvasReturn", MENU_RESIZE_CANVAS, WIN_RESIZE_CANVAS, kWidthField, kReturn, true},
    {"ResizeCanvasEsc", MENU_RESIZE_CANVAS, WIN_RESIZE_CANVAS, kWidthField, kEsc, false},
    {"AddTextReturn", MENU_ADD_TEXT, WIN_ADD_TEXT, kTransparentBox, kReturn, true},
    {"AddTextEscInTheTextBox", MENU_ADD_TEXT, WIN_ADD_TEXT, kTextBox, kEsc, false},
    {"AddTextReturnInTheTextBoxIsNoOk", MENU_ADD_TEXT, WIN_ADD_TEXT, kTextBox, kReturn, false},
};

class DialogKeys : public DialogTest, public testing::WithParamInterface<DialogKeyCase> {};

// OK leaves the image in view with an undo step (Add text once its section is placed),
// Cancel leaves everything as it was.
TEST_P(DialogKeys, PressOkOrCancel) {
    const DialogKeyCase& c = GetParam();
    const Image picture = patternImage(40, 30);
    show(picture);
    s.addTextText = "Hi";  // OK of Add text makes a picture of it
    if (c.slider) at(20, c.window, [&] { moveTrackBar(gui, added(*c.slider), 40); });
    at(400, c.window, [&] {  // after the preview delay
        gui.setFocus(added(c.focus));
        pressKey(gui, c.key);
    });
    clock.schedule(600, [&] { gui.postCustomEvent(EVT_CANVAS_LEFT_UP); });  // places a section
    // A dialog the key left open is closed (as Cancel), so that the test ends.
    clock.schedule(1000, [&] {
        if (gui.windowExists(c.window)) pressCloseBox(gui, c.window);
    });
    open(c.menuItem);

    EXPECT_EQ(s.undoFlags, c.confirms ? UNDO_REFERENCE : 0);
    EXPECT_TRUE(c.confirms || canvasShows(picture)) << "Cancel shows the picture again";
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogKeys, testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

struct EscCase {
    std::string name;
    WindowNumber window;
    int menuItem;  // that opens it, or -1 for a click on `button`
    ControlNumber button{-1};
};

void PrintTo(const EscCase& c, std::ostream* os) { *os << c.name; }

class EscCloses : public DialogTest, public testing::WithParamInterface<EscCase> {};

TEST_P(EscCloses, AsTheCloseBox) {
    const EscCase& c = GetParam();
    show(patternImage(20, 10));
    if (c.menuItem >= 0) gui.postEvent(menuEvent(c.menuItem));
    if (c.menuItem < 0) clickControl(gui, c.button);
    runLoop();
    ASSERT_TRUE(gui.windowExists(c.window) && gui.isVisible(c.window));
    QTest::keyClick(gui::windowWidget(gui, c.window), Qt::Key_Escape);
    runLoop();
    EXPECT_FALSE(gui.windowExists(c.window) && gui.isVisible(c.window));
    EXPECT_FALSE(gui.isChecked(GAD_HISTOGRAM));
}

INSTANTIATE_TEST_SUITE_P(Windows, EscCloses,
                         testing::Values(EscCase{"Help", WIN_HELP, MENU_HELP},
                                         EscCase{"Histogram", WIN_HISTOGRAM, -1, GAD_HISTOGRAM},
                                         EscCase{"Palette", WIN_PALETTE, -1, GAD_APPLY}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vd::test
