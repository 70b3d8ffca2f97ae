// What the histogram window shows for a picture: the graph pixel for pixel, the title, the
// ratio line and the background. Expected bars are worked out by hand from the counts:
// top row = nearest integer of 127 - count * 128 / M, halves to even.

#include "tests/panels/histogram_fixture.h"

namespace vd::test {
namespace {

constexpr Color kMidGray = 0x808080u;

TEST_F(HistogramTest, MidGrayDrawsOneWhiteBarUnderTheBlueAverageLine) {
    openHistogram(Image(40, 30, 24, kMidGray));

    // Each channel: 1200 pixels at level 128 = M, so the bar reaches row -1. The three
    // average lines then cover column 128, blue last.
    ExpectedGraph expected;
    expected.channel(kRed, {{128, -1}}).channel(kGreen, {{128, -1}}).channel(kBlue, {{128, -1}});
    expected.line(128, kRed).line(128, kGreen).line(128, kBlue);
    EXPECT_TRUE(imagesEqual(graph(), expected.image(), "gray graph"));

    EXPECT_EQ(title(), "Histogram | RGB Average = (128, 128, 128)");
    EXPECT_EQ(ratioText(), "RGB Ratio = (0.333, 0.333, 0.333)");
    // Brightness (2 * 128 + 4 * 128 + 128) / 7 is exactly 128: dark text.
    EXPECT_EQ(ratioTextColor(), kBlack);
    EXPECT_EQ(ratioBackground(), kMidGray);
    EXPECT_EQ(windowShot().at(3, 100) & kRgbMask, kMidGray);

    const HistogramRecord& h = s.HistogramData;
    EXPECT_EQ(h.redCounts[128], 1200);
    EXPECT_EQ(h.greenCounts[128], 1200);
    EXPECT_EQ(h.blueCounts[128], 1200);
    EXPECT_EQ(h.blueMaximum, 1200);

    // Without the average lines the white bar shows.
    clickBox(GAD_HIST_AVG);
    ExpectedGraph bars;
    bars.channel(kRed, {{128, -1}}).channel(kGreen, {{128, -1}}).channel(kBlue, {{128, -1}});
    EXPECT_TRUE(imagesEqual(graph(), bars.image(), "gray bars"));
}

// 60 pixels (200, 100, 40) and 40 pixels (100, 20, 240): averages (160, 68, 120). M = 60;
// a count of 40 reaches 127 - 40 * 128 / 60 = 41.67, row 42.
class TwoColorTest : public HistogramTest {
  protected:
    void SetUp() override {
        HistogramTest::SetUp();
        openHistogram(pictureOf({{60, makeColor(200, 100, 40)}, {40, makeColor(100, 20, 240)}}));
    }
};

TEST_F(TwoColorTest, OverlappingBarsMixAndEachAverageHasItsLine) {
    ExpectedGraph expected;
    expected.channel(kRed, {{200, -1}, {100, 42}})
        .channel(kGreen, {{100, -1}, {20, 42}})
        .channel(kBlue, {{40, -1}, {240, 42}})
        .line(160, kRed)
        .line(68, kGreen)
        .line(120, kBlue);
    EXPECT_TRUE(imagesEqual(graph(), expected.image(), "two colours"));
    // Column 100: red up to row 42 over a full green bar.
    EXPECT_EQ(graph().at(100, 50) & kRgbMask, kYellow);
    EXPECT_EQ(graph().at(100, 41) & kRgbMask, kGreen);

    EXPECT_EQ(title(), "Histogram | RGB Average = (160, 68, 120)");
    // 160 / 348, 68 / 348, 120 / 348.
    EXPECT_EQ(ratioText(), "RGB Ratio = (0.460, 0.195, 0.345)");
    // Brightness (320 + 272 + 120) / 7 = 101: light text.
    EXPECT_EQ(ratioTextColor(), kWhite);
    EXPECT_EQ(ratioBackground(), makeColor(160, 68, 120));
}

TEST_F(TwoColorTest, UntickedChannelsLoseTheirBarsLinesAndAverages) {
    clickBox(GAD_HIST_RED);
    ExpectedGraph expected;
    expected.channel(kGreen, {{100, -1}, {20, 42}})
        .channel(kBlue, {{40, -1}, {240, 42}})
        .line(68, kGreen)
        .line(120, kBlue);
    EXPECT_TRUE(imagesEqual(graph(), expected.image(), "without red"));

    EXPECT_EQ(title(), "Histogram | RGB Average = (0, 68, 120)");
    // 68 / 188 and 120 / 188.
    EXPECT_EQ(ratioText(), "RGB Ratio = (0.000, 0.362, 0.638)");
    EXPECT_EQ(ratioBackground(), makeColor(0, 68, 120));
    EXPECT_EQ(windowShot().at(3, 100) & kRgbMask, makeColor(0, 68, 120));
    EXPECT_EQ(s.HistogramData.redAverage, 0);

    // Blue alone keeps its own scale and colour.
    clickBox(GAD_HIST_GREEN);
    ExpectedGraph blueOnly;
    blueOnly.channel(kBlue, {{40, -1}, {240, 42}}).line(120, kBlue);
    EXPECT_TRUE(imagesEqual(graph(), blueOnly.image(), "blue only"));
    EXPECT_EQ(ratioText(), "RGB Ratio = (0.000, 0.000, 1.000)");
}

TEST_F(HistogramTest, ExcludingExtremesScalesTheMiddleLevels) {
    // 50 black, 30 white, 20 at level 100: average (30 * 255 + 20 * 100) / 100 = 96.
    openHistogram(pictureOf({{50, kBlack}, {30, kWhite}, {20, makeColor(100, 100, 100)}}));

    // "ExEx" ticked: M = 20, the largest count in 5..250. Level 100 fills the height and the
    // extremes, far taller, are cut at the top.
    ExpectedGraph cut;
    for (const Color c : {kRed, kGreen, kBlue})
        cut.channel(c, {{0, -1}, {100, -1}, {255, -1}});
    cut.line(96, kBlue);
    EXPECT_TRUE(imagesEqual(graph(), cut.image(), "extremes excluded"));
    EXPECT_EQ(s.HistogramData.redMaximum, 20);

    // Unticked: M = 50. White 30 -> 127 - 76.8 = 50.2, row 50; level 100: 20 -> 75.8, row 76.
    clickBox(GAD_HIST_EXEX);
    ExpectedGraph scaled;
    for (const Color c : {kRed, kGreen, kBlue})
        scaled.channel(c, {{0, -1}, {100, 76}, {255, 50}});
    scaled.line(96, kBlue);
    EXPECT_TRUE(imagesEqual(graph(), scaled.image(), "all levels"));
    EXPECT_EQ(s.HistogramData.redMaximum, 50);
}

TEST_F(HistogramTest, BarTopsRoundHalvesToEven) {
    // Red: 256 pixels at level 10 (M = 256, scale 0.5), 1 at level 20 (126.5 -> 126), 3 at
    // level 30 (125.5 -> 126). Green and blue are all 0, outside the scaled range, and their
    // 260 pixels reach above the top.
    openHistogram(pictureOf(
        {{256, makeColor(10, 0, 0)}, {1, makeColor(20, 0, 0)}, {3, makeColor(30, 0, 0)}}));
    ExpectedGraph expected;
    expected.channel(kRed, {{10, -1}, {20, 126}, {30, 126}})
        .channel(kGreen, {{0, -1}})
        .channel(kBlue, {{0, -1}})
        .line(10, kRed)  // average 2670 / 260 = 10
        .line(0, kGreen)
        .line(0, kBlue);
    EXPECT_TRUE(imagesEqual(graph(), expected.image(), "halves"));
}

TEST_F(HistogramTest, NothingToScaleByDrawsNoBars) {
    // Every pixel white and "ExEx" ticked: no ticked channel has a count in 5..250.
    openHistogram(Image(10, 10, 24, kWhite));
    ExpectedGraph lines;
    lines.line(255, kBlue);
    EXPECT_TRUE(imagesEqual(graph(), lines.image(), "no scale"));
    EXPECT_EQ(title(), "Histogram | RGB Average = (255, 255, 255)");
    EXPECT_EQ(ratioTextColor(), kBlack);

    clickBox(GAD_HIST_EXEX);
    ExpectedGraph bars;
    for (const Color c : {kRed, kGreen, kBlue})
        bars.channel(c, {{255, -1}});
    bars.line(255, kBlue);
    EXPECT_TRUE(imagesEqual(graph(), bars.image(), "scaled by all levels"));
}

TEST_F(HistogramTest, NoChannelTickedLeavesABlackGraphAndZeroAverages) {
    openHistogram(Image(40, 30, 24, makeColor(30, 150, 220)));
    clickBox(GAD_HIST_RED);
    clickBox(GAD_HIST_GREEN);
    clickBox(GAD_HIST_BLUE);

    EXPECT_TRUE(imagesEqual(graph(), ExpectedGraph().image(), "black"));
    EXPECT_EQ(title(), "Histogram | RGB Average = (0, 0, 0)");
    EXPECT_EQ(ratioText(), "RGB Ratio = (0.000, 0.000, 0.000)");
    EXPECT_EQ(ratioTextColor(), kWhite);
    EXPECT_EQ(ratioBackground(), kBlack);
    const Image shot = windowShot();
    EXPECT_EQ(shot.at(3, 100) & kRgbMask, kBlack);
    // No dots in the strip either.
    for (int x = 0; x < 266; ++x)
        ASSERT_EQ(shot.at(x, 5) & kRgbMask, kBlack) << x;
}

}  // namespace
}  // namespace vd::test
