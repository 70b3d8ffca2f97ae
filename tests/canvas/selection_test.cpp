#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/canvas/main_window_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

constexpr Color kWhite = 0xFFFFFF;

// A 640 x 480 picture whose pixels all differ, shown in the Reference view.
class SelectionTest : public MainWindowTest {
  protected:
    Image picture = patternImage(640, 480);

    void SetUp() override {
        MainWindowTest::SetUp();
        show(picture);
    }

    Color pictureAt(int x, int y) const { return picture.at(x, y) & kRgbMask; }
    bool xoredAt(int x, int y) { return canvasAt(x, y) == (pictureAt(x, y) ^ kWhite); }
    bool untouchedAt(int x, int y) { return canvasAt(x, y) == pictureAt(x, y); }

    void expectSelection(int left, int top, int right, int bottom) {
        EXPECT_EQ(s.Selection.active, 1);
        EXPECT_EQ(s.Selection.left, left);
        EXPECT_EQ(s.Selection.top, top);
        EXPECT_EQ(s.Selection.right, right);
        EXPECT_EQ(s.Selection.bottom, bottom);
    }
};

TEST_F(SelectionTest, DragIncludesThePixelUnderThePointerAtRelease) {
    drag({50, 40}, {149, 139});
    expectSelection(50, 40, 149, 139);
    EXPECT_EQ(selectionStatus(),
              "Size = 100 x 100 | x/y ratio = 1.00000 | xLeft = 50 | yTop = 40 | xRight = 149 | "
              "yBottom = 139");
    EXPECT_EQ(s.RubberBand.handleDrawn, 1);
    EXPECT_EQ(s.Selection.outlineDrawn, 1);

    // Outline on the canvas only, in XOR white; the image itself is untouched.
    EXPECT_TRUE(xoredAt(100, 40));
    EXPECT_TRUE(xoredAt(100, 139));
    EXPECT_TRUE(xoredAt(50, 90));
    EXPECT_TRUE(xoredAt(149, 90));
    EXPECT_TRUE(untouchedAt(50, 40));  // each corner is drawn by two lines, so twice
    EXPECT_TRUE(untouchedAt(100, 100));
    EXPECT_TRUE(xoredAt(141, 131));  // the 8 x 8 handle inside the bottom-right corner
    EXPECT_TRUE(xoredAt(148, 138));
    EXPECT_TRUE(untouchedAt(140, 130));
    EXPECT_TRUE(imagesEqual(*s.images.get(s.imageInView), picture, "image in view"));
}

TEST_F(SelectionTest, TheWaitThatBringsTheReleaseStillFollowsThePointer) {
    pointAt(50, 40);
    clock.schedule(50, [this] {
        gui.postCustomEvent(EVT_CANVAS_LEFT_UP);
        pointAt(80, 60);
    });
    canvasPress(s, GAD_CANVAS);
    expectSelection(50, 40, 80, 60);
}

TEST_F(SelectionTest, DragUpAndLeftIsNormalisedOnRelease) {
    std::string duringDrag;
    clock.schedule(150, [&] { duringDrag = selectionStatus(); });
    drag({200, 150}, {120, 100});
    EXPECT_EQ(duringDrag,
              "Size = -79 x -49 | x/y ratio = 1.61224 | xLeft = 200 | yTop = 150 | xRight = 120 | "
              "yBottom = 100");
    expectSelection(120, 100, 200, 150);
    EXPECT_EQ(s.RubberBand.x, 120);
    EXPECT_EQ(s.RubberBand.y, 100);
    EXPECT_EQ(s.RubberBand.width, 80);
    EXPECT_EQ(s.RubberBand.height, 50);
    EXPECT_EQ(s.RubberBand.drawnX, 120);
    EXPECT_EQ(s.RubberBand.drawnY, 100);
    EXPECT_EQ(selectionStatus(),
              "Size = 81 x 51 | x/y ratio = 1.58824 | xLeft = 120 | yTop = 100 | xRight = 200 | "
              "yBottom = 150");
    // The handle follows the normalised corner.
    EXPECT_TRUE(xoredAt(195, 145));
}

TEST_F(SelectionTest, PointerOffTheCanvasLeavesTheRectangleWhereItWas) {
    pointAt(600, 400);
    clock.schedule(100, [this] { pointAt(620, 420); });
    clock.schedule(200, [this] { pointAt(640, 479); });  // x = width is already off the canvas
    releaseAfter(300);
    canvasPress(s, GAD_CANVAS);
    expectSelection(600, 400, 620, 420);
}

TEST_F(SelectionTest, MoveKeepsTheSizeAndFollowsThePointer) {
    drag({100, 100}, {199, 149});
    std::optional<gui::Point> pointerAfterPress;
    clock.schedule(50, [&] { pointerAfterPress = gui.pointerOnCanvas(GAD_CANVAS); });
    drag({150, 120}, {300, 300});

    // The press jumped the pointer to the selection's centre (149.5, 124.5); the scroll
    // area's frame may shift it by a pixel or two.
    ASSERT_TRUE(pointerAfterPress.has_value());
    EXPECT_LE(std::abs(pointerAfterPress->x - 150), 3);
    EXPECT_LE(std::abs(pointerAfterPress->y - 125), 3);

    // Width 99 and height 49 extents: the pointer sits 49 and 24 pixels past the corner.
    expectSelection(251, 276, 350, 325);
    EXPECT_TRUE(untouchedAt(150, 100));  // old outline erased
    EXPECT_TRUE(untouchedAt(195, 145));  // old handle erased
    EXPECT_TRUE(xoredAt(300, 276));
}

TEST_F(SelectionTest, MoveStopsAtTheRightEdge) {
    drag({500, 100}, {599, 149});
    drag({550, 120}, {630, 125});
    expectSelection(540, 101, 639, 150);
}

TEST_F(SelectionTest, MoveStopsAtTheTopLeftCorner) {
    drag({100, 100}, {199, 149});
    drag({150, 120}, {10, 5});
    expectSelection(0, 0, 99, 49);
}

TEST_F(SelectionTest, HandleResizesFromTheTopLeftCorner) {
    drag({50, 40}, {149, 139});
    drag({145, 135}, {199, 179});
    expectSelection(50, 40, 199, 179);
    EXPECT_TRUE(untouchedAt(145, 135));  // old handle erased
    EXPECT_TRUE(untouchedAt(149, 100));  // old right edge erased
    EXPECT_TRUE(xoredAt(199, 100));
}

TEST_F(SelectionTest, ClickWithoutDragEndsTheSelectionAndRestoresTheCanvas) {
    const Image before = gui.canvasPixels(GAD_CANVAS);
    drag({50, 40}, {149, 139});
    ASSERT_FALSE(imagesEqual(gui.canvasPixels(GAD_CANVAS), before, "outlined"));

    click({300, 300});
    EXPECT_EQ(s.Selection.active, 0);
    EXPECT_EQ(selectionStatus(), "");
    EXPECT_TRUE(imagesEqual(gui.canvasPixels(GAD_CANVAS), before, "canvas after erase"));
}

TEST_F(SelectionTest, EventsDuringADragAreDropped) {
    clock.schedule(50, [this] {
        gui::Event close;
        close.kind = gui::EventKind::Close;
        close.window = WIN_MAIN;
        gui.postEvent(close);
        gui::Event quit;
        quit.kind = gui::EventKind::Menu;
        quit.menuItem = MENU_QUIT;
        gui.postEvent(quit);
    });
    drag({10, 10}, {20, 20});
    expectSelection(10, 10, 20, 20);
    EXPECT_EQ(s.quitRequested, 0);
}

TEST_F(SelectionTest, PressesOutsideTheBoundsAreIgnored) {
    const std::int64_t start = clock.nowMs();
    releaseAfter(100);  // would end a wrongly started drag
    s.pickArmed = 1;
    for (gui::Point p : {gui::Point{641, 10}, gui::Point{10, 481}, gui::Point{-1, 10}}) {
        pointAt(p.x, p.y);
        canvasPress(s, GAD_CANVAS);
    }
    EXPECT_EQ(clock.nowMs(), start);  // no wait happened
    EXPECT_EQ(s.pickArmed, 1);
    EXPECT_EQ(s.Selection.active, 0);
}

using FreshWindowTest = MainWindowTest;

// Before the first picture is shown the bounds are all 0.
TEST_F(FreshWindowTest, OnlyTheOriginPassesTheBoundsBeforeTheFirstRefresh) {
    const std::int64_t start = clock.nowMs();
    s.pickArmed = 1;
    releaseAfter(100);
    pointAt(5, 5);
    canvasPress(s, GAD_CANVAS);
    EXPECT_EQ(clock.nowMs(), start);
    EXPECT_EQ(s.pickArmed, 1);  // kept for a later press
}

}  // namespace
}  // namespace vd::test
