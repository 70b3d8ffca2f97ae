// The histogram record: counts per level, truncated averages over all pixels, and maxima over
// the scaled levels.

#include "tests/panels/histogram_fixture.h"

namespace vd::test {
namespace {

TEST_F(HistogramTest, CountsLevelsAndTruncatesAverages) {
    // Alpha is not a channel: the 32-bit pixels carry different alpha bytes.
    s.images.put(IMG_SCRATCH, imageFromPixels(3, 1,
                                              {makeColor(1, 2, 3, 0), makeColor(2, 2, 250, 77),
                                               makeColor(255, 0, 4, 255)},
                                              32));
    const auto average = computeHistogram(s, IMG_SCRATCH);
    ASSERT_TRUE(average);
    // Red (1 + 2 + 255) / 3 = 86, green 4 / 3 = 1, blue 257 / 3 = 85.
    EXPECT_EQ(*average, makeColor(86, 1, 85));
    const HistogramRecord& h = s.HistogramData;
    EXPECT_EQ(h.redAverage, 86);
    EXPECT_EQ(h.greenAverage, 1);
    EXPECT_EQ(h.blueAverage, 85);
    EXPECT_EQ(h.redCounts[1] + h.redCounts[2] + h.redCounts[255], 3);
    EXPECT_EQ(h.greenCounts[2], 2);
    EXPECT_EQ(h.greenCounts[0], 1);
    EXPECT_EQ(h.blueCounts[250], 1);
    EXPECT_EQ(h.blueCounts[77], 0);

    // A second image replaces everything, counts included.
    s.images.put(IMG_SCRATCH, Image(2, 2, 24, makeColor(9, 9, 9)));
    computeHistogram(s, IMG_SCRATCH);
    EXPECT_EQ(h.redCounts[1], 0);
    EXPECT_EQ(h.redCounts[9], 4);
    EXPECT_EQ(h.redMaximum, 4);
}

TEST_F(HistogramTest, MaximaSkipTheExtremesOnlyWhileExExIsTicked) {
    // Red: 4 at level 4, 2 at 5, 1 at 250. Green: 4 at 251, 2 at 250, 1 at 5.
    // Blue: 4 at 0, 2 at 128, 1 at 255. Inside 5..250 every largest count is 2.
    const Image picture = pictureOf(
        {{4, makeColor(4, 251, 0)}, {2, makeColor(5, 250, 128)}, {1, makeColor(250, 5, 255)}});
    s.images.put(IMG_SCRATCH, picture);
    const HistogramRecord& h = s.HistogramData;

    // No window, so no "ExEx" box: all levels count.
    computeHistogram(s, IMG_SCRATCH);
    EXPECT_EQ(h.redMaximum, 4);
    EXPECT_EQ(h.greenMaximum, 4);
    EXPECT_EQ(h.blueMaximum, 4);

    openHistogram(picture);
    ASSERT_TRUE(gui.isChecked(GAD_HIST_EXEX));
    computeHistogram(s, IMG_SCRATCH);
    EXPECT_EQ(h.redMaximum, 2);
    EXPECT_EQ(h.greenMaximum, 2);
    EXPECT_EQ(h.blueMaximum, 2);
    // The averages still use every level: (16 + 10 + 250) / 7.
    EXPECT_EQ(h.redAverage, 39);

    gui.setChecked(GAD_HIST_EXEX, false);
    computeHistogram(s, IMG_SCRATCH);
    EXPECT_EQ(h.redMaximum, 4);
    EXPECT_EQ(h.greenMaximum, 4);
}

TEST_F(HistogramTest, MissingImageLeavesTheRecordAlone) {
    s.HistogramData.redMaximum = 7;
    s.HistogramData.blueCounts[3] = 5;
    s.images.free(IMG_SCRATCH);
    EXPECT_FALSE(computeHistogram(s, IMG_SCRATCH));
    EXPECT_EQ(s.HistogramData.redMaximum, 7);
    EXPECT_EQ(s.HistogramData.blueCounts[3], 5);
}

TEST_F(HistogramTest, LevelSumsOfLargeImagesDoNotOverflow) {
    // 17.64 million white pixels: each level sum is 4.5e9, beyond 32 bits.
    constexpr int kSide = 4200;
    s.images.put(IMG_SCRATCH, Image(kSide, kSide, 24, makeColor(255, 254, 253)));
    const auto average = computeHistogram(s, IMG_SCRATCH);
    ASSERT_TRUE(average);
    EXPECT_EQ(*average, makeColor(255, 254, 253));
    EXPECT_EQ(s.HistogramData.redCounts[255], kSide * kSide);
    EXPECT_EQ(s.HistogramData.blueMaximum, kSide * kSide);
    s.images.free(IMG_SCRATCH);
}

}  // namespace
}  // namespace vd::test
