#include <gtest/gtest.h>

#include "tests/canvas/main_window_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

constexpr Color kRed = 0x0000FF;
constexpr Color kGreen = 0x00FF00;
constexpr Color kBlue = 0xFF0000;

using DisplayTest = MainWindowTest;

TEST_F(DisplayTest, NewSizeResizesTheCanvasAndNamesFileAndSize) {
    s.loadedPath = "/home/someone/pictures/holiday photo.png";
    show(Image(300, 200, 24, kRed));
    EXPECT_EQ(gui.canvasPixels(GAD_CANVAS).width(), 300);
    EXPECT_EQ(gui.canvasPixels(GAD_CANVAS).height(), 200);
    EXPECT_EQ(s.Selection.minX, 0);
    EXPECT_EQ(s.Selection.minY, 0);
    EXPECT_EQ(s.Selection.maxX, 300);
    EXPECT_EQ(s.Selection.maxY, 200);
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0), "holiday photo.png  |  (300 x 200)");
    EXPECT_EQ(canvasAt(299, 199), kRed);
}

TEST_F(DisplayTest, FileFieldIsWrittenOnlyWhenTheSizeChanges) {
    show(Image(64, 32, 24, kRed));  // nothing loaded yet: the name part is empty
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0), "  |  (64 x 32)");

    s.loadedPath = "/tmp/second.bmp";
    show(Image(64, 32, 24, kGreen));
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0), "  |  (64 x 32)");
    EXPECT_EQ(canvasAt(10, 10), kGreen);

    show(Image(65, 32, 24, kGreen));
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0), "second.bmp  |  (65 x 32)");
}

TEST_F(DisplayTest, ShowsTheUniqueColourCountOfTheImageInView) {
    show(imageFromPixels(3, 2, {kRed, kGreen, kRed, kBlue, kGreen, kRed}));
    EXPECT_EQ(gui.text(GAD_UNIQUE_COUNT), "3");
    show(Image(8, 8, 24, 0));
    EXPECT_EQ(gui.text(GAD_UNIQUE_COUNT), "1");
}

TEST_F(DisplayTest, TranslucentPixelsLetTheCanvasShowThrough) {
    show(Image(4, 4, 24, kRed));
    Image overlay(4, 4, 32, 0xFF000000u | kGreen);
    overlay.at(0, 0) = 0x00000000u | kBlue;  // fully transparent
    show(overlay);
    EXPECT_EQ(canvasAt(0, 0), kRed);
    EXPECT_EQ(canvasAt(1, 1), kGreen);
}

TEST_F(DisplayTest, MissingImageLeavesEverythingAsItWas) {
    show(Image(50, 40, 24, kRed));
    s.images.free(s.imageInView);
    s.loadedPath = "/tmp/other.png";
    refreshDisplay(s);
    EXPECT_EQ(gui.canvasPixels(GAD_CANVAS).width(), 50);
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0), "  |  (50 x 40)");
    EXPECT_EQ(canvasAt(0, 0), kRed);
}

TEST_F(DisplayTest, RefreshEndsTheSelection) {
    show(Image(50, 40, 24, kRed));
    s.Selection = {.left = 5, .right = 20, .top = 6, .bottom = 30, .outlineDrawn = 1, .active = 1};
    updateSelectionStatus(s);
    ASSERT_FALSE(selectionStatus().empty());
    refreshDisplay(s);
    EXPECT_EQ(s.Selection.active, 0);
    EXPECT_EQ(s.Selection.outlineDrawn, 0);
    EXPECT_EQ(s.Selection.left, 20);
    EXPECT_EQ(s.Selection.top, 30);
    EXPECT_EQ(selectionStatus(), "");
}

TEST_F(DisplayTest, ClearingNoSelectionTouchesNothing) {
    s.Selection = {.left = 5, .right = 20, .top = 6, .bottom = 30, .outlineDrawn = 1};
    clearSelection(s);
    EXPECT_EQ(s.Selection.left, 5);
    EXPECT_EQ(s.Selection.top, 6);
    EXPECT_EQ(s.Selection.outlineDrawn, 1);
}

TEST_F(DisplayTest, SelectionStatusText) {
    s.Selection = {.left = 10, .right = 109, .top = 20, .bottom = 69, .active = 1};
    updateSelectionStatus(s);
    EXPECT_EQ(selectionStatus(),
              "Size = 100 x 50 | x/y ratio = 2.00000 | xLeft = 10 | yTop = 20 | xRight = 109 | "
              "yBottom = 69");

    // 193 / 3 is 64.333333... in double, but the nearest float is 64.3333359: the ratio is
    // worked out in single precision.
    s.Selection = {.left = 0, .right = 192, .top = 0, .bottom = 2, .active = 1};
    updateSelectionStatus(s);
    EXPECT_EQ(selectionStatus(),
              "Size = 193 x 3 | x/y ratio = 64.33334 | xLeft = 0 | yTop = 0 | xRight = 192 | "
              "yBottom = 2");

    // During a drag up and to the left the corners are crossed.
    s.Selection = {.left = 50, .right = 40, .top = 40, .bottom = 37, .active = 1};
    updateSelectionStatus(s);
    EXPECT_EQ(selectionStatus(),
              "Size = -9 x -2 | x/y ratio = 4.50000 | xLeft = 50 | yTop = 40 | xRight = 40 | "
              "yBottom = 37");

    s.Selection.active = 0;
    updateSelectionStatus(s);
    EXPECT_EQ(selectionStatus(), "");
}

}  // namespace
}  // namespace vd::test
