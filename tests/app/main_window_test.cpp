#include <QComboBox>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "platform/gui/qt_access.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

using MainWindow = AppWindowTest;

TEST_F(MainWindow, OpensWithItsTitlePlaceAndSize) {
    EXPECT_EQ(gui.title(WIN_MAIN), "Vandrell  |  1.37");
    EXPECT_EQ(gui.outerPosition(WIN_MAIN), (gui::Point{459, 206}));
    const gui::Rect inner = gui.innerRect(WIN_MAIN);
    EXPECT_EQ(inner.width, 902);
    // 619 above the status bar, unless that is less than the minimum height.
    EXPECT_GT(gui.statusBarHeight(WIN_MAIN), 0);
    EXPECT_EQ(inner.height, std::max(619 + gui.statusBarHeight(WIN_MAIN), 642));
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0), "");
    EXPECT_EQ(gui.statusText(WIN_MAIN, 1), "");
}

TEST_F(MainWindow, ControlsSitWhereTheLayoutPutsThem) {
    EXPECT_EQ(gui.controlRect(GAD_HISTOGRAM), (gui::Rect{10, 200, 110, 26}));
    EXPECT_EQ(gui.controlRect(GAD_UNDO), (gui::Rect{15, 5, 44, 29}));
    EXPECT_EQ(gui.controlRect(GAD_REDO), (gui::Rect{70, 5, 44, 29}));
    EXPECT_EQ(gui.controlRect(GAD_UNIQUE_COUNT), (gui::Rect{10, 250, 105, 20}));
    EXPECT_EQ(gui.controlRect(GAD_VIEW_REFERENCE), (gui::Rect{10, 305, 100, 20}));
    EXPECT_EQ(gui.controlRect(GAD_VIEW_WORK), (gui::Rect{10, 330, 100, 20}));
    EXPECT_EQ(gui.controlRect(GAD_METHOD), (gui::Rect{10, 60, 105, 30}));
    EXPECT_EQ(gui.controlRect(GAD_DITHER), (gui::Rect{10, 130, 105, 26}));
    EXPECT_EQ(gui.controlRect(GAD_APPLY), (gui::Rect{20, 160, 85, 30}));
    EXPECT_EQ(gui.controlRect(GAD_LIMIT), (gui::Rect{10, 100, 55, 25}));
    EXPECT_EQ(gui.controlRect(GAD_SCROLL), (gui::Rect{125, 5, 772, 619}));
}

TEST_F(MainWindow, ControlsStartInTheirFirstState) {
    EXPECT_EQ(gui.text(GAD_HISTOGRAM), "Histogram");
    EXPECT_FALSE(gui.isChecked(GAD_HISTOGRAM));
    EXPECT_FALSE(gui.isEnabled(GAD_UNDO));
    EXPECT_FALSE(gui.isEnabled(GAD_REDO));
    EXPECT_TRUE(gui.isChecked(GAD_VIEW_REFERENCE));
    EXPECT_FALSE(gui.isChecked(GAD_VIEW_WORK));
    EXPECT_EQ(gui.text(GAD_VIEW_REFERENCE), "Reference");
    EXPECT_EQ(gui.text(GAD_VIEW_WORK), "Work");
    EXPECT_FALSE(gui.isChecked(GAD_DITHER));
    EXPECT_EQ(gui.text(GAD_DITHER), "Dither");
    EXPECT_EQ(gui.text(GAD_APPLY), "Apply");
    EXPECT_EQ(gui.selectedRow(GAD_METHOD), 0);
}

TEST_F(MainWindow, MethodRowsRememberALimitOnlyWhereTheUserChoosesOne) {
    EXPECT_EQ(gui.rowData(GAD_METHOD, 0), std::optional<int>(3));
    EXPECT_EQ(gui.rowData(GAD_METHOD, 1), std::optional<int>(32));
    EXPECT_EQ(gui.rowData(GAD_METHOD, 2), std::optional<int>(32));
    for (int row = 3; row < 14; ++row) {
        EXPECT_EQ(gui.rowData(GAD_METHOD, row), std::nullopt) << "row " << row;
    }
    EXPECT_EQ(gui.rowData(GAD_METHOD, 14), std::optional<int>(256)) << "Kmeans";
}

TEST_F(MainWindow, KmeansIsTheLastRowAndKeepsItsOwnPaletteSize) {
    const auto* list = qobject_cast<QComboBox*>(gui::widgetOf(gui, GAD_METHOD));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 15);
    EXPECT_EQ(list->itemText(14).toStdString(), "Kmeans");
    chooseMethod(14);
    ASSERT_EQ(gui.selectedRow(GAD_METHOD), 14);
    EXPECT_EQ(gui.text(GAD_LIMIT), "256");
    EXPECT_TRUE(gui.isEnabled(GAD_LIMIT));
    EXPECT_EQ(gui.maximum(GAD_LIMIT), 256);

    stepLimit(16);
    EXPECT_EQ(gui.rowData(GAD_METHOD, 14), std::optional<int>(16));
    chooseMethod(1);
    EXPECT_EQ(gui.text(GAD_LIMIT), "32") << "Popularity keeps its own value";
    chooseMethod(13);
    EXPECT_FALSE(gui.isEnabled(GAD_LIMIT));
    chooseMethod(14);
    EXPECT_EQ(gui.text(GAD_LIMIT), "16") << "Kmeans remembers the stepped value";
    EXPECT_TRUE(gui.isEnabled(GAD_LIMIT));

    typeLimit("999");
    EXPECT_EQ(gui.text(GAD_LIMIT), "256");
    EXPECT_EQ(gui.rowData(GAD_METHOD, 14), std::optional<int>(256));
}

TEST_F(MainWindow, StartsWithNothingToUndoAndThePatternInBothViews) {
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_EQ(s.imageInView, imageNumber(0));
    ASSERT_TRUE(s.images.exists(IMG_ORIGINAL));
    EXPECT_FALSE(s.images.exists(imageNumber(1)));
    EXPECT_FALSE(s.images.exists(imageNumber(3)));
    const Image& pattern = image(IMG_ORIGINAL);
    EXPECT_EQ(pattern.width(), 768);
    EXPECT_EQ(pattern.height(), 619);
    EXPECT_EQ(pattern.depth(), 32);
    EXPECT_TRUE(imagesEqual(image(imageNumber(0)), pattern, "reference"));
    EXPECT_TRUE(imagesEqual(image(imageNumber(2)), pattern, "work"));
    // Before the first refresh the selection may only start at the origin.
    EXPECT_EQ(s.Selection.maxX, 0);
    EXPECT_EQ(s.Selection.maxY, 0);
}

// The colour of the pattern blended over black with weight a/255, by the rule alone.
Color expectedPatternPixel(int x, int y) {
    const int c = (x ^ y) & 255;
    const int alpha = (2 * c) & 255;
    auto over = [&](int v) { return static_cast<int>(std::lround(v * alpha / 255.0)); };
    return makeColor(over(c & x), over(255 - c), over(c & y));
}

bool nearlyEqual(Color a, Color b) {
    return std::abs(redOf(a) - redOf(b)) <= 1 && std::abs(greenOf(a) - greenOf(b)) <= 1 &&
           std::abs(blueOf(a) - blueOf(b)) <= 1;
}

TEST_F(MainWindow, StartPatternBlendsTheXorColoursOverBlack) {
    const Image& pattern = image(IMG_ORIGINAL);
    // Away from the two hint lines at the top left.
    const gui::Point samples[] = {{0, 619 - 1}, {1, 300},   {200, 100}, {767, 618},
                                  {400, 64},    {511, 512}, {300, 200}, {700, 20}};
    for (gui::Point p : samples) {
        const Color actual = pattern.at(p.x, p.y) & kRgbMask;
        EXPECT_TRUE(nearlyEqual(actual, expectedPatternPixel(p.x, p.y)))
            << "at " << p.x << "," << p.y << ": " << std::hex << actual;
        EXPECT_EQ(alphaOf(pattern.at(p.x, p.y)), 255) << "the pattern is opaque";
    }
    // Where x XOR y is a multiple of 128 the alpha is 0 and black shows through.
    EXPECT_EQ(pattern.at(128, 256) & kRgbMask, 0u);
}

TEST_F(MainWindow, HintsAreDarkTextOnWhiteBoxes) {
    const Image& pattern = image(IMG_ORIGINAL);
    for (int top : {10, 40}) {
        EXPECT_EQ(pattern.at(10, top) & kRgbMask, 0xFFFFFFu) << "box corner at y " << top;
        int white = 0, dark = 0;
        for (int y = top; y < top + 20; ++y) {
            for (int x = 10; x < 200; ++x) {
                const Color c = pattern.at(x, y);
                white += (c & kRgbMask) == 0xFFFFFFu;
                dark += redOf(c) < 100 && greenOf(c) < 100 && blueOf(c) < 100;
            }
        }
        EXPECT_GT(white, 1000) << "box at y " << top;
        EXPECT_GT(dark, 40) << "text at y " << top;
    }
    // Left of the boxes the pattern is untouched.
    EXPECT_TRUE(nearlyEqual(pattern.at(5, 12) & kRgbMask, expectedPatternPixel(5, 12)));
}

TEST_F(MainWindow, CanvasShowsTheImageInViewAtItsOrigin) {
    const Image& canvas = gui.canvasPixels(GAD_CANVAS);
    const Image& pattern = image(IMG_ORIGINAL);
    for (gui::Point p :
         {gui::Point{0, 0}, gui::Point{300, 200}, gui::Point{767, 618}, gui::Point{12, 12}}) {
        EXPECT_EQ(canvas.at(p.x, p.y) & kRgbMask, pattern.at(p.x, p.y) & kRgbMask);
    }
}

TEST_F(MainWindow, UndoButtonShowsAGreenArrowPointingLeftAndRedoItsMirrorImage) {
    const Image& undoIcon = image(IMG_UNDO_ICON);
    const Image& redoIcon = image(IMG_REDO_ICON);
    ASSERT_EQ(undoIcon.width(), 38);
    ASSERT_EQ(undoIcon.height(), 23);
    EXPECT_EQ(undoIcon.depth(), 32);
    constexpr Color gray = 0x5F5F5F;
    constexpr Color green = 0x00FF00;
    auto at = [](const Image& icon, int x, int y) { return icon.at(x, y) & kRgbMask; };
    EXPECT_EQ(at(undoIcon, 0, 0), gray);
    EXPECT_EQ(at(undoIcon, 1, 11), gray);   // just left of the arrow's tip
    EXPECT_EQ(at(undoIcon, 2, 11), green);  // the tip
    EXPECT_EQ(at(undoIcon, 8, 11), green);  // filled head
    EXPECT_EQ(at(undoIcon, 10, 4), gray);   // above the head's upper edge
    EXPECT_EQ(at(undoIcon, 16, 3), green);  // the head's back edge
    EXPECT_EQ(at(undoIcon, 20, 8), green);  // shaft, rows 8 to 13, columns 17 to 34
    EXPECT_EQ(at(undoIcon, 34, 13), green);
    EXPECT_EQ(at(undoIcon, 35, 10), gray);
    EXPECT_EQ(at(undoIcon, 20, 14), gray);
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 38; ++x) {
            ASSERT_EQ(redoIcon.at(x, y), undoIcon.at(37 - x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(s.undoFlags, 0) << "mirroring a button picture records no undo step";
}

TEST_F(MainWindow, LimitBoxFollowsTheChosenMethod) {
    EXPECT_EQ(gui.text(GAD_LIMIT), "27");
    EXPECT_EQ(gui.value(GAD_LIMIT), 3);
    EXPECT_TRUE(gui.isEnabled(GAD_LIMIT));
    EXPECT_EQ(gui.maximum(GAD_LIMIT), 16);

    chooseMethod(1);
    EXPECT_EQ(gui.text(GAD_LIMIT), "32");
    EXPECT_EQ(gui.value(GAD_LIMIT), 32);
    EXPECT_EQ(gui.maximum(GAD_LIMIT), 256);

    stepLimit(40);
    EXPECT_EQ(gui.text(GAD_LIMIT), "40");
    EXPECT_EQ(gui.rowData(GAD_METHOD, 1), std::optional<int>(40));

    chooseMethod(5);
    EXPECT_EQ(gui.text(GAD_LIMIT), "512");
    EXPECT_FALSE(gui.isEnabled(GAD_LIMIT));

    chooseMethod(2);
    EXPECT_EQ(gui.text(GAD_LIMIT), "32") << "Adaptive keeps its own value";
    chooseMethod(1);
    EXPECT_EQ(gui.text(GAD_LIMIT), "40") << "Popularity remembers the stepped value";
    EXPECT_TRUE(gui.isEnabled(GAD_LIMIT));

    chooseMethod(0);
    EXPECT_EQ(gui.text(GAD_LIMIT), "27");
    EXPECT_EQ(gui.maximum(GAD_LIMIT), 16);
}

TEST_F(MainWindow, FixedMethodsShowTheirColourCount) {
    const char* counts[] = {"8", "64", "512", "4096", "128", "128", "128", "16", "24", "32", "256"};
    for (int row = 3; row < 14; ++row) {
        chooseMethod(row);
        EXPECT_EQ(gui.text(GAD_LIMIT), counts[row - 3]) << "row " << row;
        EXPECT_FALSE(gui.isEnabled(GAD_LIMIT)) << "row " << row;
    }
}

TEST_F(MainWindow, TypedLimitIsKeptWithinRange) {
    chooseMethod(1);
    typeLimit("300");
    EXPECT_EQ(gui.text(GAD_LIMIT), "256");
    EXPECT_EQ(gui.value(GAD_LIMIT), 256);
    EXPECT_EQ(gui.rowData(GAD_METHOD, 1), std::optional<int>(256));

    typeLimit("0");
    EXPECT_EQ(gui.text(GAD_LIMIT), "2");
    EXPECT_EQ(gui.value(GAD_LIMIT), 2);
    EXPECT_EQ(gui.rowData(GAD_METHOD, 1), std::optional<int>(2));

    typeLimit("17 colours");
    EXPECT_EQ(gui.value(GAD_LIMIT), 17);
    EXPECT_EQ(gui.rowData(GAD_METHOD, 1), std::optional<int>(17));
    EXPECT_EQ(gui.rowData(GAD_METHOD, 2), std::optional<int>(32)) << "only the chosen row";
}

TEST_F(MainWindow, UniformLevelsAreSteppedNotTyped) {
    stepLimit(4);
    EXPECT_EQ(gui.text(GAD_LIMIT), "64");
    EXPECT_EQ(gui.rowData(GAD_METHOD, 0), std::optional<int>(4));

    typeLimit("5");
    EXPECT_EQ(gui.text(GAD_LIMIT), "64") << "typing shows the colour count again";
    EXPECT_EQ(gui.value(GAD_LIMIT), 4);

    stepLimit(16);
    EXPECT_EQ(gui.text(GAD_LIMIT), "4096");
    chooseMethod(1);
    chooseMethod(0);
    EXPECT_EQ(gui.text(GAD_LIMIT), "4096");
    EXPECT_EQ(gui.value(GAD_LIMIT), 16);
}

TEST_F(MainWindow, ScrollAreaFollowsTheWindowSize) {
    gui.setInnerSize(WIN_MAIN, {1000, 800});
    run(windowEvent(gui::EventKind::Size, WIN_MAIN));
    EXPECT_EQ(gui.controlRect(GAD_SCROLL),
              (gui::Rect{125, 5, 870, 800 - gui.statusBarHeight(WIN_MAIN) - 10}));
}

TEST_F(MainWindow, NeverShrinksBelowItsMinimum) {
    gui.setInnerSize(WIN_MAIN, {300, 200});
    const gui::Rect inner = gui.innerRect(WIN_MAIN);
    EXPECT_EQ(inner.width, 619);
    EXPECT_EQ(inner.height, 642);
}

TEST_F(MainWindow, LargePictureFillsTheDesktopAndIsCentred) {
    s.images.create(s.imageInView, 4000, 3000, 24, 0);
    fitWindowToImage(s, s.imageInView);
    const gui::Size frame = gui.frameExtra(WIN_MAIN);
    const gui::Rect inner = gui.innerRect(WIN_MAIN);
    EXPECT_EQ(inner.width, 1920 - frame.width);
    EXPECT_EQ(inner.height, 1080 - frame.height);
    EXPECT_EQ(gui.outerPosition(WIN_MAIN), (gui::Point{0, 0}));
}

TEST_F(MainWindow, SmallPictureGivesTheMinimumSizeCentred) {
    s.images.create(s.imageInView, 100, 100, 24, 0);
    fitWindowToImage(s, s.imageInView);
    const gui::Size frame = gui.frameExtra(WIN_MAIN);
    const gui::Rect inner = gui.innerRect(WIN_MAIN);
    EXPECT_EQ(inner.width, 619);
    EXPECT_EQ(inner.height, 642);
    EXPECT_EQ(gui.outerPosition(WIN_MAIN),
              (gui::Point{(1920 - 619 - frame.width) / 2, (1080 - 642 - frame.height) / 2}));
}

TEST_F(MainWindow, MidSizedPictureGetsTheColumnAndMarginsAroundIt) {
    s.images.create(s.imageInView, 1000, 700, 24, 0);
    fitWindowToImage(s, s.imageInView);
    const gui::Rect inner = gui.innerRect(WIN_MAIN);
    EXPECT_EQ(inner.width, 1000 + 134);
    EXPECT_EQ(inner.height, 700 + gui.statusBarHeight(WIN_MAIN) + 14);
}

TEST_F(MainWindow, PaletteWindowFollowsTheMainWindowOnlyWhenItExists) {
    run(windowEvent(gui::EventKind::Move, WIN_MAIN));
    EXPECT_EQ(s.palettePlaceX, 0) << "no palette window, nothing remembered";

    ASSERT_TRUE(gui.openWindow(WIN_PALETTE, {0, 0, 110, 220}, "1 Palette", gui::WindowStyle::Tool,
                               WIN_MAIN));
    gui.moveWindow(WIN_MAIN, {300, 150});
    run(windowEvent(gui::EventKind::Move, WIN_MAIN));
    const gui::Rect inner = gui.innerRect(WIN_MAIN);
    const gui::Point place{inner.x + 4, inner.y + 330 + 40};
    EXPECT_EQ(gui.outerPosition(WIN_PALETTE), place);

    // The main window has not moved since: the palette window is left where the user put it.
    gui.moveWindow(WIN_PALETTE, {10, 10});
    run(windowEvent(gui::EventKind::Move, WIN_PALETTE));
    EXPECT_EQ(gui.outerPosition(WIN_PALETTE), (gui::Point{10, 10}));
}

}  // namespace
}  // namespace vd::test
