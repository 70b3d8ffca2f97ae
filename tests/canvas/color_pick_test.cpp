#include <gtest/gtest.h>

#include <string>

#include "tests/canvas/main_window_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

constexpr Color kRed = 0x0000FF;
constexpr Color kBlue = 0xFF0000;

// A black 64 x 48 picture with a red pixel at (10, 10) and a blue one at (20, 10).
class ColorPickTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Image picture(64, 48, 24, 0);
        picture.at(10, 10) = 0xFF000000u | kRed;
        picture.at(20, 10) = 0xFF000000u | kBlue;
        show(picture);
    }

    // Ctrl+press and release at (x, y); returns the clipboard text.
    std::string pickAt(int x, int y) {
        s.pickArmed = 1;
        pointAt(x, y);
        releaseAfter(100);
        canvasPress(s, GAD_CANVAS);
        return gui.clipboardText();
    }

    // The canvas reports a left press with these modifiers; the loop runs what it posted.
    void pressWithModifiers(int modifiers) {
        gui::Event press;
        press.kind = gui::EventKind::Control;
        press.window = WIN_MAIN;
        press.control = GAD_CANVAS;
        press.type = gui::CANVAS_LEFT_DOWN;
        press.modifiers = modifiers;
        canvasCallback(s, press);
        gui::Event next;
        do {
            next = gui.waitEvent();
            dispatchEvent(s, next);
        } while (!(next.kind == gui::EventKind::Custom && next.custom == EVT_CANVAS_LEFT_DOWN));
    }

    void postClose() {
        gui::Event close;
        close.kind = gui::EventKind::Close;
        close.window = WIN_MAIN;
        gui.postEvent(close);
    }
};

TEST_F(ColorPickTest, CopiesTheDecimalColourAndShowsANoticeForTwoAndAHalfSeconds) {
    const WindowNumber notice = gui.freshWindowNumber();
    const ControlNumber label = gui.freshControlNumber();
    const std::int64_t start = clock.nowMs();
    bool shown = false, stillShown = false;
    gui::Rect rect;
    std::string text;
    clock.schedule(1000, [&] {
        shown = gui.windowExists(notice) && gui.isVisible(notice);
        rect = gui.innerRect(notice);
        text = gui.text(label);
    });
    clock.schedule(2550, [&] { stillShown = gui.windowExists(notice); });

    EXPECT_EQ(pickAt(10, 10), "255");
    EXPECT_EQ(s.pickArmed, 0);
    EXPECT_TRUE(shown);
    EXPECT_EQ(rect, (gui::Rect{(1920 - 200) / 2, (1080 - 30) / 2, 200, 30}));
    EXPECT_EQ(text, "Color value copied to clipboard.");
    EXPECT_TRUE(stillShown);
    EXPECT_FALSE(gui.windowExists(notice));
    // Released at +100, then the notice's 2,500 ms.
    EXPECT_EQ(clock.nowMs() - start, 2600);
    EXPECT_EQ(s.Selection.active, 0);
}

TEST_F(ColorPickTest, BlueIsTheThirdByte) {
    EXPECT_EQ(pickAt(20, 10), "16711680");
}

TEST_F(ColorPickTest, ReadsThePictureAsDisplayedOutlineIncluded) {
    drag({30, 20}, {50, 40});
    EXPECT_EQ(pickAt(40, 20), "16777215");  // the white XOR line over black
    EXPECT_EQ(s.Selection.active, 1);       // a pick leaves the selection alone
}

TEST_F(ColorPickTest, OnTheFarEdgeNothingIsReadPastTheCanvas) {
    // x = width passes the bounds check but lies beyond the last column.
    EXPECT_EQ(pickAt(64, 48), "0");
}

TEST_F(ColorPickTest, CloseRequestsDuringThePickAreDropped) {
    clock.schedule(50, [this] { postClose(); });
    clock.schedule(1000, [this] { postClose(); });
    EXPECT_EQ(pickAt(10, 10), "255");
    EXPECT_EQ(s.quitRequested, 0);
}

TEST_F(ColorPickTest, CtrlAlonePicks) {
    pointAt(10, 10);
    releaseAfter(100);
    pressWithModifiers(gui::MOD_CTRL);
    EXPECT_EQ(gui.clipboardText(), "255");
    EXPECT_EQ(s.pickArmed, 0);
}

TEST_F(ColorPickTest, CtrlWithShiftStartsASelectionInstead) {
    gui.setClipboardText("unchanged");
    pointAt(10, 10);
    clock.schedule(100, [this] { pointAt(30, 25); });
    releaseAfter(200);
    pressWithModifiers(gui::MOD_CTRL | gui::MOD_SHIFT);
    EXPECT_EQ(s.pickArmed, 0);
    EXPECT_EQ(gui.clipboardText(), "unchanged");
    EXPECT_EQ(s.Selection.active, 1);
    EXPECT_EQ(s.Selection.right, 30);
    EXPECT_EQ(s.Selection.bottom, 25);
}

}  // namespace
}  // namespace vd::test
