// The canvas shown at a scale: which pixel is under a screen position, what is drawn, and
// the reduced levels a small view is drawn from.

#include <algorithm>
#include <string>

#include "platform/gui/canvas_scale.h"
#include "platform/gui/reduced_levels.h"
#include "platform/image/draw.h"
#include "tests/gui/gui_fixture.h"
#include "tests/support/test_util.h"

namespace vd::gui::test {
namespace {

struct ScaleRow {
    const char* name;
    double scale;
};
constexpr ScaleRow kScales[] = {{"6.25%", 1.0 / 16}, {"fit 27.4%", 0.274}, {"33.3%", 1.0 / 3},
                                {"66.7%", 2.0 / 3},  {"100%", 1.0},        {"300%", 3.0},
                                {"1600%", 16.0}};

TEST(CanvasScale, EveryScreenPixelShowsAPixelAndTheEdgesReachTheEdges) {
    for (const ScaleRow& row : kScales) {
        for (const int pixels : {1, 37, 4000, 4001}) {
            SCOPED_TRACE(std::string(row.name) + ", " + std::to_string(pixels) + " pixels");
            const int length = displayedLength(pixels, row.scale);
            ASSERT_GE(length, 1);
            EXPECT_EQ(pixelAt(0, pixels, length, row.scale), 0);
            EXPECT_EQ(pixelAt(length - 1, pixels, length, row.scale), pixels - 1);
            EXPECT_LT(pixelAt(-1, pixels, length, row.scale), 0) << "left of the canvas";
            EXPECT_GE(pixelAt(length, pixels, length, row.scale), pixels) << "right of it";
            int previous = -1;
            for (int at = 0; at < length; ++at) {
                const int pixel = pixelAt(at, pixels, length, row.scale);
                ASSERT_GE(pixel, previous) << "screen position " << at;
                ASSERT_LT(pixel, pixels) << "screen position " << at;
                previous = pixel;
            }
        }
    }
}

TEST(CanvasScale, APixelsMiddleLeadsBackToItAt100AndAbove) {
    for (const ScaleRow& row : kScales) {
        if (row.scale < 1.0) continue;
        SCOPED_TRACE(row.name);
        const int length = displayedLength(500, row.scale);
        for (int pixel = 0; pixel < 500; ++pixel) {
            const int start = displayedStart(pixel, row.scale);
            ASSERT_EQ(displayedEnd(pixel, row.scale) - start, static_cast<int>(row.scale));
            ASSERT_EQ(pixelAt(displayedCentre(pixel, row.scale), 500, length, row.scale), pixel);
            ASSERT_EQ(pixelAt(start, 500, length, row.scale), pixel);
        }
    }
}

// The mean of a 2 x 2 block, the last row and column repeated, each byte rounded.
Color referenceHalf(const Image& source, int x, int y) {
    const int x1 = std::min(2 * x + 1, source.width() - 1);
    const int y1 = std::min(2 * y + 1, source.height() - 1);
    Color result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int sum = 2;
        for (const Color c : {source.at(2 * x, 2 * y), source.at(x1, 2 * y),
                              source.at(2 * x, y1), source.at(x1, y1)})
            sum += static_cast<int>((c >> shift) & 0xFF);
        result |= static_cast<Color>(sum / 4) << shift;
    }
    return result;
}

TEST(ReducedLevels, EachLevelIsTheRoundedMeanOfTheOneAbove) {
    const Image canvas = vd::test::patternImage(37, 23, 32);
    ReducedLevels levels;
    const Image& half = levels.level(1, canvas);
    ASSERT_EQ(half.width(), 19);
    ASSERT_EQ(half.height(), 12);
    for (int y = 0; y < half.height(); ++y)
        for (int x = 0; x < half.width(); ++x)
            ASSERT_EQ(half.at(x, y), referenceHalf(canvas, x, y)) << x << ", " << y;
    const Image halfCopy = half;
    const Image& quarter = levels.level(2, canvas);
    ASSERT_EQ(quarter.width(), 10);
    for (int y = 0; y < quarter.height(); ++y)
        for (int x = 0; x < quarter.width(); ++x)
            ASSERT_EQ(quarter.at(x, y), referenceHalf(halfCopy, x, y)) << x << ", " << y;
}

TEST(ReducedLevels, AChangedAreaIsBroughtUpToDateAndNothingElseMoves) {
    Image canvas = vd::test::patternImage(64, 40);
    ReducedLevels levels;
    const Image before = levels.level(3, canvas);
    DrawTarget(canvas).filledBox(10, 9, 7, 5, 0xFFFFFF);
    levels.changed(10, 9, 17, 14);
    const Image after = levels.level(3, canvas);
    ReducedLevels fresh;
    EXPECT_EQ(after, fresh.level(3, canvas));
    EXPECT_NE(after.at(1, 1), before.at(1, 1)) << "the block holding the box";
    EXPECT_EQ(after.at(5, 3), before.at(5, 3)) << "a block far from it";
}

constexpr int kScroll = 5, kCanvas = 2;

class ScaledCanvas : public GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        openMain({500, 400});
        gui().addScrollArea(kMain, controlNumber(kScroll), {0, 0, 480, 380}, 10, {64, 48});
        gui().addCanvas(controlNumber(kScroll), canvas(), {64, 48});
        const Image pattern = vd::test::patternImage(64, 48);
        Image& pixels = gui().canvasPixels(canvas());
        std::copy(pattern.pixels().begin(), pattern.pixels().end(), pixels.pixels().begin());
        gui().canvasUpdated(canvas());
    }
    ControlNumber canvas() { return controlNumber(kCanvas); }
    const Image& pixels() { return gui().canvasPixels(canvas()); }
    // What the screen shows of the canvas, from its top-left corner.
    Color shown(const Image& shot, int x, int y) {
        const Point origin = gui().controlScreenPosition(canvas());
        const Rect inner = gui().innerRect(kMain);
        return shot.at(origin.x - inner.x + x, origin.y - inner.y + y) & kRgbMask;
    }
};

TEST_F(ScaledCanvas, AboveOneEachPixelIsASharpSquare) {
    gui().setCanvasScale(canvas(), 4.0, ZoomAnchor::Centre);
    const Image shot = gui().grabWindow(kMain);
    for (int y = 0; y < 4 * 40; ++y)
        for (int x = 0; x < 4 * 48; ++x)
            ASSERT_EQ(shown(shot, x, y), pixels().at(x / 4, y / 4) & kRgbMask) << x << ", " << y;
}

TEST_F(ScaledCanvas, AtAHalfEachScreenPixelIsTheMeanOfItsBlock) {
    gui().setCanvasScale(canvas(), 0.5, ZoomAnchor::Centre);
    const Image shot = gui().grabWindow(kMain);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(shown(shot, x, y), referenceHalf(pixels(), x, y) & kRgbMask) << x << ", " << y;
}

TEST_F(ScaledCanvas, BetweenLevelsAFlatAreaKeepsItsColour) {
    DrawTarget(gui().canvasPixels(canvas())).filledBox(0, 0, 64, 48, 0x336699);
    gui().canvasUpdated(canvas());
    for (const double scale : {2.0 / 3, 1.0 / 3, 0.274}) {
        SCOPED_TRACE(scale);
        gui().setCanvasScale(canvas(), scale, ZoomAnchor::Centre);
        const Image shot = gui().grabWindow(kMain);
        for (int y = 0; y < displayedLength(48, scale); ++y)
            for (int x = 0; x < displayedLength(64, scale); ++x)
                ASSERT_EQ(shown(shot, x, y), 0x336699u) << x << ", " << y;
    }
}

TEST_F(ScaledCanvas, TheOutlineIsOneScreenPixelWideAndLeavesThePixelsAlone) {
    const Image before = pixels();
    gui().setCanvasScale(canvas(), 4.0, ZoomAnchor::Centre);
    gui().setCanvasOverlay(canvas(), Rect{2, 3, 5, 4}, std::nullopt);
    const Image shot = gui().grabWindow(kMain);
    EXPECT_EQ(pixels(), before);
    // Screen x 8 to 27, y 12 to 27: the border inverted, inside and outside as drawn.
    for (int y = 10; y < 30; ++y) {
        for (int x = 6; x < 30; ++x) {
            const bool inside = x >= 8 && x <= 27 && y >= 12 && y <= 27;
            const bool border = inside && (x == 8 || x == 27 || y == 12 || y == 27);
            const Color picture = pixels().at(x / 4, y / 4) & kRgbMask;
            ASSERT_EQ(shown(shot, x, y), border ? picture ^ 0xFFFFFFu : picture) << x << ", " << y;
        }
    }
}

}  // namespace
}  // namespace vd::gui::test
