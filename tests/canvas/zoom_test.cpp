// Zoom through the real widgets: the keys, the wheel and the middle button change only how the
// picture is shown; every gesture still works on the picture pixels under the pointer.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "adjust/color_ops.h"
#include "adjust/geometry.h"
#include "platform/image/draw.h"
#include "tests/canvas/main_window_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

class ZoomTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        picture = patternImage(2000, 1500);
        show(picture);
    }

    double scale() { return gui.canvasScale(GAD_CANVAS); }
    std::string zoomStatus() { return gui.statusText(WIN_MAIN, 2); }

    void key(int keyCode, int modifiers = gui::MOD_CTRL) {
        pressKey(gui, keyCode, modifiers);
        runLoop();
    }
    void keys(int keyCode, int times) {
        for (int i = 0; i < times; ++i)
            key(keyCode);
    }

    // Where the canvas shows a picture pixel, from the canvas's top-left corner.
    gui::Point shownAt(gui::Point pixel) { return gui.canvasPixelOnDisplay(GAD_CANVAS, pixel); }
    // The pointer over the middle of a picture pixel, wherever the zoom shows it.
    void pointAtPixel(gui::Point pixel) {
        const gui::Point canvas = gui.controlScreenPosition(GAD_CANVAS);
        const gui::Point shown = shownAt(pixel);
        gui.movePointer({canvas.x + shown.x, canvas.y + shown.y});
    }
    // The pointer's place on the canvas widget, for wheel turns where it already is.
    gui::Point pointerOnWidget() {
        const gui::Point screen = gui.pointerOnScreen();
        const gui::Point canvas = gui.controlScreenPosition(GAD_CANVAS);
        return {screen.x - canvas.x, screen.y - canvas.y};
    }
    void wheel(int notches, int modifiers = gui::MOD_CTRL) {
        turnWheel(gui, GAD_CANVAS, pointerOnWidget(), notches, modifiers);
        runLoop();
    }

    // Press on one picture pixel, move to another, release there.
    void dragPixels(gui::Point from, gui::Point to) {
        pointAtPixel(from);
        clock.schedule(100, [this, to] { pointAtPixel(to); });
        releaseAfter(200);
        canvasPress(s, GAD_CANVAS);
    }

    SelectionRecord selectedAt(int zoomKey, int presses, gui::Point from, gui::Point to) {
        show(picture);
        key('1');
        keys(zoomKey, presses);
        dragPixels(from, to);
        return s.Selection;
    }

    Image picture;
};

TEST_F(ZoomTest, TheKeysStepTheLadderAndTheStatusFieldSaysWhere) {
    const std::string file = gui.statusText(WIN_MAIN, 0);
    EXPECT_EQ(zoomStatus(), "100%");
    key(gui::KEY_PLUS);
    EXPECT_EQ(zoomStatus(), "200%");
    key(gui::KEY_EQUALS);
    EXPECT_EQ(zoomStatus(), "300%");
    keys(gui::KEY_MINUS, 3);
    EXPECT_EQ(zoomStatus(), "66.7%");
    keys(gui::KEY_MINUS, 2);
    EXPECT_EQ(zoomStatus(), "33.3%");
    keys(gui::KEY_MINUS, 9);
    EXPECT_EQ(zoomStatus(), "6.25%") << "the smallest step holds";
    key('1');
    EXPECT_EQ(zoomStatus(), "100%");
    keys(gui::KEY_PLUS, 9);
    EXPECT_EQ(zoomStatus(), "1600%") << "the largest step holds";
    EXPECT_EQ(scale(), 16.0);

    key('0');
    const double fit = fitScale(2000, 1500, gui.scrollViewportSize(GAD_SCROLL));
    char expected[32];
    std::snprintf(expected, sizeof expected, "Fit %.1f%%", fit * 100.0);
    EXPECT_EQ(zoomStatus(), expected);
    EXPECT_EQ(scale(), fit);
    EXPECT_EQ(gui.scrollPosition(GAD_SCROLL), (gui::Point{0, 0})) << "the whole picture shows";
    key(gui::KEY_PLUS);
    EXPECT_GT(scale(), fit);
    EXPECT_EQ(zoomStatus().find("Fit"), std::string::npos) << "from a fit to the next step up";
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0), file);
    EXPECT_EQ(gui.statusText(WIN_MAIN, 1), "");
}

TEST_F(ZoomTest, AFittedPictureStaysFittedWhenTheWindowChangesSize) {
    key('0');
    const double before = scale();
    gui.setInnerSize(WIN_MAIN, {700, 500});
    run(windowEvent(gui::EventKind::Size, WIN_MAIN));
    EXPECT_LT(scale(), before);
    EXPECT_EQ(scale(), fitScale(2000, 1500, gui.scrollViewportSize(GAD_SCROLL)));
}

TEST_F(ZoomTest, ASmallPictureFitsAt100) {
    show(patternImage(120, 90));
    key('0');
    EXPECT_EQ(scale(), 1.0);
    EXPECT_EQ(zoomStatus(), "Fit 100.0%");
}

// While the picture is larger than the view; a smaller one sits at the top-left corner.
TEST_F(ZoomTest, TheWheelWithCtrlKeepsThePixelUnderThePointer) {
    const gui::Point pixel{300, 200};
    pointAtPixel(pixel);
    for (const int notches : {1, 1, 2, 1, -1, -3, -1}) {
        const double before = scale();
        wheel(notches);
        SCOPED_TRACE(std::to_string(before) + " -> " + std::to_string(scale()));
        ASSERT_NE(scale(), before);
        EXPECT_EQ(gui.pointerOnCanvas(GAD_CANVAS), pixel);
    }
    EXPECT_EQ(zoomStatus(), "100%");
    wheel(-1);
    EXPECT_EQ(zoomStatus(), "66.7%");
}

TEST_F(ZoomTest, TheWheelAloneOrWithShiftScrollsAndTheMiddleButtonPans) {
    keys(gui::KEY_PLUS, 2);
    const gui::Point start = gui.scrollPosition(GAD_SCROLL);
    pointAtPixel({1000, 750});
    wheel(-1, gui::MOD_SHIFT);
    EXPECT_EQ(scale(), 3.0) << "no zoom without Ctrl";
    const gui::Point sideways = gui.scrollPosition(GAD_SCROLL);
    EXPECT_GT(sideways.x, start.x);
    EXPECT_EQ(sideways.y, start.y);
    const gui::Point from = pointerOnWidget();
    dragWithMiddleButton(gui, GAD_CANVAS, from, {from.x - 50, from.y - 20});
    runLoop();
    EXPECT_EQ(gui.scrollPosition(GAD_SCROLL), (gui::Point{sideways.x + 50, sideways.y + 20}));
    EXPECT_EQ(s.Selection.active, 0) << "panning selects nothing";
}

// Pixels at the middle of a 4 x 4 block, so that 25 % can point at them exactly.
constexpr gui::Point kFrom{370, 290}, kTo{398, 310};

TEST_F(ZoomTest, ASelectionDraggedAtAnyZoomTakesThePixelsUnderThePointer) {
    const SelectionRecord actual = selectedAt('1', 0, kFrom, kTo);
    const std::string status = gui.statusText(WIN_MAIN, 1);
    struct Row {
        const char* name;
        int key, presses;
    };
    for (const Row row : {Row{"400%", gui::KEY_PLUS, 3}, Row{"25%", gui::KEY_MINUS, 4}}) {
        SCOPED_TRACE(row.name);
        const SelectionRecord zoomed = selectedAt(row.key, row.presses, kFrom, kTo);
        EXPECT_EQ(zoomStatus(), row.name);
        EXPECT_EQ(zoomed.left, actual.left);
        EXPECT_EQ(zoomed.top, actual.top);
        EXPECT_EQ(zoomed.right, actual.right);
        EXPECT_EQ(zoomed.bottom, actual.bottom);
        EXPECT_EQ(gui.statusText(WIN_MAIN, 1), status);
        EXPECT_EQ(gui.canvasPixels(GAD_CANVAS), picture) << "the outline stays off the pixels";
        run(menuEvent(MENU_COPY));
        const std::optional<Image> copied = gui.clipboardImage(24);
        ASSERT_TRUE(copied);
        EXPECT_EQ(*copied, cropImage(picture, kFrom.x, kFrom.y, kTo.x - kFrom.x + 1,
                                     kTo.y - kFrom.y + 1));
    }
}

TEST_F(ZoomTest, TheOutlineMovesOntoThePixelsAt100AndOffThemAgain) {
    dragPixels(kFrom, kTo);
    const Image withOutline = gui.canvasPixels(GAD_CANVAS);
    ASSERT_NE(withOutline, picture);
    key(gui::KEY_PLUS);
    EXPECT_EQ(gui.canvasPixels(GAD_CANVAS), picture);
    key(gui::KEY_MINUS);
    EXPECT_EQ(gui.canvasPixels(GAD_CANVAS), withOutline);
}

TEST_F(ZoomTest, TheHandleResizesAt25) {
    keys(gui::KEY_MINUS, 4);
    dragPixels(kFrom, kTo);
    // The handle is at least 8 screen pixels: 32 picture pixels inside the corner at 25 %.
    dragPixels({kTo.x - 20, kTo.y - 20}, {kTo.x + 40, kTo.y + 40});
    EXPECT_EQ(s.Selection.left, kFrom.x);
    EXPECT_EQ(s.Selection.top, kFrom.y);
    EXPECT_EQ(s.Selection.right, kTo.x + 40);
    EXPECT_EQ(s.Selection.bottom, kTo.y + 40);
}

TEST_F(ZoomTest, ColourPickAt800TakesThePixelUnderThePointer) {
    keys(gui::KEY_PLUS, 5);
    ASSERT_EQ(zoomStatus(), "800%");
    const gui::Point pixel{1003, 751};
    pointAtPixel(pixel);
    clickControlAt(gui, GAD_CANVAS, pointerOnWidget(), gui::MOD_CTRL);
    runLoop();
    EXPECT_EQ(gui.clipboardText(), std::to_string(picture.at(pixel.x, pixel.y) & kRgbMask));
}

TEST_F(ZoomTest, AFloatingSectionLandsOnThePixelsUnderThePointerAt300) {
    Image section(40, 30, 24, 0x00FF00);
    gui.setClipboardImage(section);
    keys(gui::KEY_PLUS, 2);
    const gui::Point pixel{990, 740};
    clock.schedule(50, [&] {
        pointAtPixel(pixel);
        dragMouse(gui, GAD_CANVAS, pointerOnWidget());
    });
    clock.schedule(100, [&] { releaseMouse(gui, GAD_CANVAS, pointerOnWidget()); });
    run(menuEvent(MENU_PASTE_FLOATING));
    Image expected = picture;
    DrawTarget(expected).drawImage(section, pixel.x - 20, pixel.y - 15);
    EXPECT_EQ(inView(), expected);
    EXPECT_EQ(scale(), 3.0);
}

TEST_F(ZoomTest, ViewsKeepTheZoomAndALoadReturnsTo100) {
    Image work = picture;
    negative(work);
    s.images.put(s.imgWork, work);
    keys(gui::KEY_PLUS, 3);
    const gui::Point scrolled = gui.scrollPosition(GAD_SCROLL);
    clickControl(gui, GAD_VIEW_WORK);
    runLoop();
    ASSERT_EQ(s.imageInView, s.imgWork);
    EXPECT_EQ(scale(), 4.0);
    EXPECT_EQ(gui.scrollPosition(GAD_SCROLL), scrolled);
    EXPECT_EQ(zoomStatus(), "400%");

    requesters.files.push_back({std::string(VD_SHARED_DIR) + "/testdata/photos/kodim05.png", 0});
    run(menuEvent(MENU_LOAD_IMAGE));
    ASSERT_EQ(inView().width(), 768);
    EXPECT_EQ(scale(), 1.0);
    EXPECT_EQ(zoomStatus(), "100%");
    EXPECT_EQ(gui.controlRect(GAD_CANVAS).width, 768);
}

}  // namespace
}  // namespace vd::test
