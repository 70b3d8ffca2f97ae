// Return and Esc pressed in every dialog, through the real widgets: Esc does what Cancel
// does, Return what OK does (or what the focused button does), except in a text box of
// several lines; Esc closes the windows that have no Cancel as their close box does.

#include <optional>
#include <ostream>
#include <string>

#include <QTest>
#include <QWidget>

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
constexpr gui::Rect kContrastSlider{15, 20, 201, 25};
constexpr gui::Rect kThresholdSlider{15, 85, 257, 30};
constexpr gui::Rect kTransparentBox{10, 135, 260, 30}, kTextBox{10, 170, 260, 100};
constexpr gui::Rect kTextCancel{10, 275, 60, 30};

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
};

class DialogKeys : public DialogTest, public testing::WithParamInterface<DialogKeyCase> {
  protected:
    Image picture = patternImage(40, 30);

    void SetUp() override {
        DialogTest::SetUp();
        show(picture);
        s.addTextText = "Hi";  // OK of Add text makes a picture of it
    }
};

// Each dialog, once its key is pressed, does what its OK or its Cancel does: OK leaves the
// image in view with an undo step (Add text once its section is placed), Cancel leaves
// everything as it was.
TEST_P(DialogKeys, PressOkOrCancel) {
    const DialogKeyCase& c = GetParam();
    if (c.slider) at(20, c.window, [&] { moveTrackBar(gui, added(*c.slider), 40); });
    at(400, c.window, [&] {  // after the preview delay
        gui.setFocus(added(c.focus));
        pressKey(gui, c.key);
    });
    // Places the floating section that OK of Add text starts.
    clock.schedule(600, [&] { gui.postCustomEvent(EVT_CANVAS_LEFT_UP); });
    // A key that went astray leaves the dialog open: it is then cancelled, and the test fails
    // rather than waits for ever.
    clock.schedule(1000, [&] {
        if (gui.windowExists(c.window)) pressCloseBox(gui, c.window);
    });
    open(c.menuItem);

    EXPECT_FALSE(gui.windowExists(c.window));
    if (c.confirms) {
        EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
    } else {
        EXPECT_EQ(s.undoFlags, 0);
        EXPECT_TRUE(imagesEqual(inView(), picture, "cancelled"));
        EXPECT_TRUE(canvasShows(picture));
    }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogKeys, testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

using DialogKeysInText = DialogTest;

TEST_F(DialogKeysInText, ReturnInTheTextBoxOfAddTextBreaksTheLine) {
    std::string typed;
    bool stillOpen = false;
    at(20, WIN_ADD_TEXT, [&] {
        typeText(gui, added(kTextBox), "one");
        pressKey(gui, gui::KEY_RETURN);
    });
    at(30, WIN_ADD_TEXT, [&] {
        stillOpen = true;
        typed = gui.text(added(kTextBox));
        click(kTextCancel);
    });
    open(MENU_ADD_TEXT);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(typed, "one\n");
}

// Windows without a Cancel: Esc is their close box.
struct EscCase {
    std::string name;
    WindowNumber window;
    int opening;  // the menu item, or the control that opens it
    bool isMenuItem;
};

void PrintTo(const EscCase& c, std::ostream* os) { *os << c.name; }

class EscCloses : public DialogTest, public testing::WithParamInterface<EscCase> {};

TEST_P(EscCloses, AsTheCloseBox) {
    const EscCase& c = GetParam();
    show(patternImage(20, 10));
    if (c.isMenuItem) {
        run(menuEvent(c.opening));
    } else {
        clickControl(gui, controlNumber(c.opening));
        runLoop();
    }
    ASSERT_TRUE(gui.windowExists(c.window) && gui.isVisible(c.window));
    QTest::keyClick(gui::windowWidget(gui, c.window), Qt::Key_Escape);
    runLoop();
    EXPECT_FALSE(gui.windowExists(c.window) && gui.isVisible(c.window));
    EXPECT_FALSE(gui.isChecked(GAD_HISTOGRAM));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, EscCloses,
    testing::Values(EscCase{"Help", WIN_HELP, MENU_HELP, true},
                    EscCase{"Histogram", WIN_HISTOGRAM, toInt(GAD_HISTOGRAM), false},
                    EscCase{"Palette", WIN_PALETTE, toInt(GAD_APPLY), false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vd::test
