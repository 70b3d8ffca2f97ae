// The histogram window's life: where it opens and what it holds, what it follows (redraws,
// selections, check boxes), the strip of average dots, closing, and the keyboard focus.

#include <QApplication>

#include "tests/panels/histogram_fixture.h"

namespace vd::test {
namespace {

TEST_F(HistogramTest, OpensBesideTheCanvasWithFiveTickedBoxes) {
    openHistogram(Image(20, 20, 24, 0x336699u));
    const gui::Point mainCorner = gui.outerPosition(WIN_MAIN);

    // Main window corner + the scroll area's place (125, 5) + (10, 32).
    EXPECT_EQ(gui.outerPosition(WIN_HISTOGRAM),
              (gui::Point{mainCorner.x + 135, mainCorner.y + 37}));
    const gui::Rect inner = gui.innerRect(WIN_HISTOGRAM);
    EXPECT_EQ(inner.width, 350);
    EXPECT_EQ(inner.height, 178);

    // The boxes sit in the panel at (275, 10).
    const struct {
        ControlNumber box;
        const char* label;
        gui::Rect place;
    } boxes[] = {
        {GAD_HIST_RED, "RED", {280, 15, 55, 25}},  {GAD_HIST_GREEN, "GRN", {280, 45, 55, 25}},
        {GAD_HIST_BLUE, "BLU", {280, 75, 55, 25}}, {GAD_HIST_EXEX, "ExEx", {280, 105, 60, 25}},
        {GAD_HIST_AVG, "AVG", {280, 135, 60, 25}},
    };
    for (const auto& entry : boxes) {
        EXPECT_EQ(gui.text(entry.box), entry.label);
        EXPECT_EQ(gui.controlRect(entry.box), entry.place) << entry.label;
        EXPECT_TRUE(gui.isChecked(entry.box)) << entry.label;
    }
    EXPECT_EQ(gui::widgetOf(gui, GAD_HIST_EXEX)->toolTip().toStdString(), "Exclude Extremes");
    EXPECT_EQ(gui::widgetOf(gui, GAD_HIST_AVG)->toolTip().toStdString(), "Show RGB average lines");
    EXPECT_EQ(ratioLabel()->geometry(), QRect(10, 143, 256, 30));
    EXPECT_TRUE(ratioLabel()->alignment() & Qt::AlignHCenter);

    // The graph shows IMG_HISTOGRAM at (10, 10).
    const Image shot = windowShot();
    for (int y = 0; y < 128; y += 9)
        for (int x = 0; x < 256; x += 5)
            ASSERT_EQ(shot.at(10 + x, 10 + y) & kRgbMask, graph().at(x, y) & kRgbMask)
                << x << ", " << y;
}

TEST_F(HistogramTest, WithoutAnImageTheWindowOpensEmpty) {
    s.images.free(s.imageInView);
    clickBox(GAD_HISTOGRAM);
    ASSERT_TRUE(gui.windowExists(WIN_HISTOGRAM));
    EXPECT_EQ(title(), "Histogram");
    EXPECT_EQ(ratioText(), "RGB ratio:");
    EXPECT_EQ(image(IMG_HISTOGRAM).width(), 256);
    EXPECT_EQ(image(IMG_HISTOGRAM).height(), 128);
}

TEST_F(HistogramTest, StripAboveTheGraphCarriesADotOverEachAverage) {
    // Averages (160, 68, 120): dots centred at x 170, 78 and 130, y 5, radius 3.
    openHistogram(pictureOf({{60, makeColor(200, 100, 40)}, {40, makeColor(100, 20, 240)}}));
    const Color background = makeColor(160, 68, 120);
    Image shot = windowShot();
    EXPECT_EQ(shot.at(170, 5) & kRgbMask, kRed);
    EXPECT_EQ(shot.at(167, 5) & kRgbMask, kRed);
    EXPECT_EQ(shot.at(170, 2) & kRgbMask, kRed);
    EXPECT_EQ(shot.at(170, 8) & kRgbMask, kRed);
    EXPECT_EQ(shot.at(166, 5) & kRgbMask, background);
    EXPECT_EQ(shot.at(170, 1) & kRgbMask, background);
    EXPECT_EQ(shot.at(78, 5) & kRgbMask, kGreen);
    EXPECT_EQ(shot.at(130, 5) & kRgbMask, kBlue);
    EXPECT_EQ(shot.at(10, 5) & kRgbMask, background);

    // A later repaint keeps the dots; a change of the boxes redraws the strip.
    clickBox(GAD_HIST_GREEN);
    shot = windowShot();
    EXPECT_EQ(shot.at(170, 5) & kRgbMask, kRed);
    EXPECT_EQ(shot.at(78, 5) & kRgbMask, makeColor(160, 0, 120));
    clickBox(GAD_HIST_AVG);
    shot = windowShot();
    EXPECT_EQ(shot.at(170, 5) & kRgbMask, makeColor(160, 0, 120));
    EXPECT_EQ(shot.at(130, 5) & kRgbMask, makeColor(160, 0, 120));
}

TEST_F(HistogramTest, DotOfTheTopLevelIsWhole) {
    openHistogram(Image(4, 4, 24, kWhite));
    const Image shot = windowShot();
    // Centred at 265: the dot reaches 268, past the strip's 266 columns.
    EXPECT_EQ(shot.at(268, 5) & kRgbMask, kBlue);
    EXPECT_EQ(shot.at(269, 5) & kRgbMask, kWhite);
}

TEST_F(HistogramTest, FollowsEveryRedrawOfTheImageInView) {
    openHistogram(Image(8, 8, 24, makeColor(100, 100, 100)));
    run(menuEvent(MENU_NEGATIVE));
    EXPECT_EQ(title(), "Histogram | RGB Average = (155, 155, 155)");
}

TEST_F(HistogramTest, SelectionIsShownUntilTheNextRedraw) {
    // Left half (200, 0, 0), right half (0, 0, 100): the whole averages (100, 0, 50).
    Image picture(40, 20, 24, makeColor(0, 0, 100));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            picture.at(x, y) = makeColor(200, 0, 0, 255);
    openHistogram(picture);
    EXPECT_EQ(title(), "Histogram | RGB Average = (100, 0, 50)");

    // Columns 12..27, rows 3..7: half of each, bounds included.
    drag({12, 3}, {27, 7});
    EXPECT_EQ(image(IMG_SELECTION).width(), 16);
    EXPECT_EQ(image(IMG_SELECTION).height(), 5);
    EXPECT_EQ(title(), "Histogram | RGB Average = (100, 0, 50)");
    drag({2, 3}, {9, 7});
    EXPECT_EQ(title(), "Histogram | RGB Average = (200, 0, 0)");

    // A box of the window recomputes the selection too.
    clickBox(GAD_HIST_EXEX);
    EXPECT_EQ(title(), "Histogram | RGB Average = (200, 0, 0)");
    EXPECT_EQ(s.HistogramData.redCounts[200], 8 * 5);

    refreshDisplay(s);
    EXPECT_EQ(title(), "Histogram | RGB Average = (100, 0, 50)");
}

TEST_F(HistogramTest, CloseBoxUnticksTheMainBoxAndFreesTheGraph) {
    openHistogram(Image(8, 8, 24, makeColor(90, 10, 10)));
    clickBox(GAD_HIST_RED);
    pressCloseBox(gui, WIN_HISTOGRAM);
    runLoop();
    EXPECT_FALSE(gui.windowExists(WIN_HISTOGRAM));
    EXPECT_FALSE(gui.isChecked(GAD_HISTOGRAM));
    EXPECT_FALSE(s.images.exists(IMG_HISTOGRAM));
    // Redraws leave it closed.
    refreshDisplay(s);
    EXPECT_FALSE(gui.windowExists(WIN_HISTOGRAM));

    // Opened again, every box starts ticked.
    clickBox(GAD_HISTOGRAM);
    ASSERT_TRUE(gui.windowExists(WIN_HISTOGRAM));
    EXPECT_TRUE(gui.isChecked(GAD_HIST_RED));
    EXPECT_EQ(title(), "Histogram | RGB Average = (90, 10, 10)");
}

TEST_F(HistogramTest, UntickingTheMainBoxClosesTheWindow) {
    openHistogram(Image(8, 8, 24, kWhite));
    clickBox(GAD_HISTOGRAM);
    EXPECT_FALSE(gui.windowExists(WIN_HISTOGRAM));
    EXPECT_FALSE(s.images.exists(IMG_HISTOGRAM));
    showHistogram(s, toInt(s.imageInView));
    EXPECT_FALSE(gui.windowExists(WIN_HISTOGRAM));
}

TEST_F(HistogramTest, MainWindowKeepsTheKeyboard) {
    openHistogram(Image(8, 8, 24, makeColor(10, 20, 30)));
    EXPECT_EQ(QApplication::activeWindow(), gui::windowWidget(gui, WIN_MAIN));
    // A shortcut of the main window still works: crop a selection with Ctrl+X, after which
    // the histogram shows the cropped picture.
    drag({1, 1}, {3, 2});
    pressKey(gui, 'X', gui::MOD_CTRL);
    runLoop();
    EXPECT_EQ(inView().width(), 3);
    EXPECT_EQ(inView().height(), 2);
}

}  // namespace
}  // namespace vd::test
