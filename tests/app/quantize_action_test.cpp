#include <memory>
#include <set>
#include <string>

#include "quantize/color_index.h"
#include "quantize/neuquant.h"
#include "quantize/quantize.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

// A reference with smooth ramps and some noise, so every method has work to do.
Image sampleReference(int depth = 24) {
    Image image(24, 16, depth);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int noise = static_cast<int>((x * 7919u + y * 104729u) % 23u);
            image.at(x, y) = makeColor(x * 10 + noise, y * 15, 255 - x * 5 - noise,
                                       depth == 32 ? 40 + x * 8 : 255);
        }
    }
    return image;
}

class QuantizeAction : public AppWindowTest {
  protected:
    void SetUp() override {
        AppWindowTest::SetUp();
        s.images.put(s.imgReference, sampleReference());
    }

    void apply() { run(controlEvent(GAD_APPLY)); }

    // What the core makes of the reference with these settings, on tables of its own.
    static QuantizeResult coreResult(const Image& reference, QuantizeMethod method, int limit,
                                     bool dither) {
        ColorIndex index;
        auto area = std::make_unique<NeuQuantWorkArea>();
        QuantizeContext context{&index, area.get()};
        return quantizeImage(reference, {method, limit, dither}, context);
    }
};

TEST_F(QuantizeAction, EveryMethodGivesTheCoreResultAndShowsTheWork) {
    for (int row = 0; row < kMethodCount; ++row) {
        for (bool dither : {false, true}) {
            SCOPED_TRACE("row " + std::to_string(row) + (dither ? " dithered" : ""));
            chooseMethod(row);
            gui.setChecked(GAD_DITHER, dither);
            const int limit = gui.value(GAD_LIMIT);
            apply();
            const QuantizeResult expected =
                coreResult(sampleReference(), static_cast<QuantizeMethod>(row), limit, dither);
            EXPECT_TRUE(
                imagesEqual(image(s.imgWork), expected.work, "method" + std::to_string(row)));
            if (expected.palette && expected.display == PaletteDisplay::Show) {
                EXPECT_EQ(s.currentPalette, *expected.palette);
            } else if (expected.palette) {
                // The census of the work image takes the palette's place: the colours used.
                std::set<Color> used;
                for (Color c : expected.work.pixels())
                    used.insert(c & kRgbMask);
                EXPECT_EQ(std::set<Color>(s.currentPalette.begin(), s.currentPalette.end()), used);
            }
            EXPECT_EQ(s.imageInView, s.imgWork);
            EXPECT_TRUE(gui.isChecked(GAD_VIEW_WORK));
            EXPECT_TRUE(imagesEqual(image(s.imgReference), sampleReference(), "reference"));
        }
    }
}

TEST_F(QuantizeAction, UniformUsesTheLevelCountNotTheColourCountShown) {
    ASSERT_EQ(gui.text(GAD_LIMIT), "27");
    apply();
    // Three levels per channel: 0, 127 and 254.
    const std::set<int> levels{0, 127, 254};
    const Image& work = image(s.imgWork);
    for (int y = 0; y < work.height(); ++y) {
        for (int x = 0; x < work.width(); ++x) {
            const Color c = work.at(x, y);
            ASSERT_TRUE(levels.contains(redOf(c)) && levels.contains(greenOf(c)) &&
                        levels.contains(blueOf(c)))
                << x << "," << y;
        }
    }
    EXPECT_LE(s.currentPalette.size(), 27u);
}

TEST_F(QuantizeAction, PopularityUsesTheBoxValueAndShowsIt) {
    chooseMethod(1);
    stepLimit(4);
    gui.setText(GAD_LIMIT, "4x");  // half typed, never reported
    apply();
    EXPECT_EQ(gui.text(GAD_LIMIT), "4");
    std::set<Color> colors;
    for (Color c : image(s.imgWork).pixels())
        colors.insert(c & kRgbMask);
    EXPECT_LE(colors.size(), 4u);
    EXPECT_LE(s.currentPalette.size(), 4u);
}

TEST_F(QuantizeAction, SecondApplyKeepsTheFirstResultAsUndoStep) {
    apply();
    const Image first = image(s.imgWork);
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
    EXPECT_TRUE(gui.isEnabled(GAD_UNDO));
    chooseMethod(3);
    apply();
    EXPECT_TRUE(imagesEqual(image(s.imgWorkUndo), first, "undo step"));
    run(controlEvent(GAD_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), first, "after undo"));
}

TEST_F(QuantizeAction, AlphaOfTheReferencePassesThrough) {
    s.images.put(s.imgReference, sampleReference(32));
    for (int row : {0, 1, 13, 14}) {
        chooseMethod(row);
        apply();
        const Image& work = image(s.imgWork);
        ASSERT_EQ(work.depth(), 32);
        for (int x = 0; x < work.width(); ++x) {
            EXPECT_EQ(alphaOf(work.at(x, 3)), 40 + x * 8) << "row " << row << " x " << x;
        }
    }
}

TEST_F(QuantizeAction, WithoutAReferenceNothingChanges) {
    s.images.free(s.imgReference);
    const Image work = image(s.imgWork);
    chooseMethod(2);
    gui.setText(GAD_LIMIT, "32 and a bit");
    apply();
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_EQ(s.imageInView, s.imgReference);
    EXPECT_TRUE(gui.isChecked(GAD_VIEW_REFERENCE));
    EXPECT_TRUE(imagesEqual(image(s.imgWork), work));
    EXPECT_FALSE(s.images.exists(s.imgWorkUndo));
    EXPECT_EQ(gui.text(GAD_LIMIT), "32") << "the box is set right before the check";
}

TEST_F(QuantizeAction, OnePixelReferenceGivesAOneColourPalette) {
    s.images.put(s.imgReference, imageFromPixels(1, 1, {makeColor(10, 200, 30)}));
    apply();
    ASSERT_EQ(s.currentPalette.size(), 1u);
    // Three levels: divisor 102, multiplier 127; 200 / 102 = 1 gives 127.
    EXPECT_EQ(s.currentPalette[0] & kRgbMask, makeColor(0, 127, 0));
}

}  // namespace
}  // namespace vd::test
