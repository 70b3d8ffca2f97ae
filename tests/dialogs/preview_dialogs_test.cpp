// Two Colors, Brightness and Contrast driven through their real widgets: the layout, the
// delayed preview on the canvas, OK, Cancel, Reset, the close requests and the histogram.

#include <optional>
#include <set>
#include <string>

#include "adjust/brightness.h"
#include "adjust/contrast.h"
#include "adjust/two_colors.h"
#include "tests/dialogs/dialog_fixture.h"

namespace vd::test {
namespace {

// Two Colors.
constexpr gui::Rect kNone{17, 20, 60, 30}, kOrdered{85, 20, 90, 30}, kSierra{183, 20, 86, 30};
constexpr gui::Rect kDitherFrame{10, 5, 267, 50}, kThresholdFrame{10, 60, 267, 60};
constexpr gui::Rect kThresholdSlider{15, 85, 257, 30};
constexpr gui::Rect kColor1{100, 130, 25, 25}, kColor2{157, 130, 25, 25};
constexpr gui::Rect kTwoCancel{10, 130, 60, 30}, kTwoOk{217, 130, 60, 30};
// Brightness.
constexpr gui::Rect kOffsetFrame{5, 10, 267, 50}, kOffsetSlider{10, 25, 257, 25};
constexpr gui::Rect kRed{10, 65, 55, 25}, kGreen{65, 65, 55, 25}, kBlue{120, 65, 55, 25};
constexpr gui::Rect kOverdrive{180, 65, 110, 25};
constexpr gui::Rect kBrightReset{15, 100, 70, 30}, kBrightCancel{110, 100, 70, 30},
    kBrightOk{200, 100, 70, 30};
// Contrast.
constexpr gui::Rect kAmountFrame{10, 5, 211, 45}, kAmountSlider{15, 20, 201, 25};
constexpr gui::Rect kContrastReset{10, 60, 55, 30}, kContrastCancel{90, 60, 55, 30},
    kContrastOk{168, 60, 55, 30};

Image twoColored(Image image, int position, TwoColorsDither dither, Color c1 = 0,
                 Color c2 = 0xFFFFFF) {
    twoColors(image, {256 - position, dither, c1, c2});
    return image;
}

Image brightened(Image image, const BrightnessSettings& settings) {
    brightness(image, settings);
    return image;
}

Image contrasted(Image image, int amount) {
    contrast(image, amount);
    return image;
}

class PreviewDialogTest : public DialogTest {
  protected:
    Image picture = patternImage(40, 30);

    void SetUp() override {
        DialogTest::SetUp();
        show(picture);
    }
    void slide(gui::Rect slider, int position) { moveTrackBar(gui, added(slider), position); }
};

TEST_F(PreviewDialogTest, TwoColorsLaysOutItsControlsAndPreviewsAtOnce) {
    struct Seen {
        std::string title, labels, frames, tips;
        gui::Size inner;
        bool noneChosen = false;
        bool previewShown = false;
    } seen;
    at(20, WIN_TWO_COLORS, [&] {
        seen.title = gui.title(WIN_TWO_COLORS);
        seen.inner = innerSize(WIN_TWO_COLORS);
        for (gui::Rect place : {kNone, kOrdered, kSierra, kTwoCancel, kTwoOk})
            seen.labels += textAt(place) + "|";
        seen.frames = textAt(kDitherFrame) + "|" + textAt(kThresholdFrame);
        seen.tips = textAt(kColor1) + "|" + textAt(kColor2);
        seen.noneChosen = gui.isChecked(added(kNone));
        seen.previewShown = canvasShows(twoColored(picture, 128, TwoColorsDither::None));
        click(kTwoCancel);
    });
    open(MENU_TWO_COLORS);

    EXPECT_EQ(seen.title, "Two Colors");
    EXPECT_EQ(seen.inner, (gui::Size{287, 170}));
    EXPECT_EQ(seen.labels, "None|4X4 ordered|Sierra Lite|Cancel|OK|");
    EXPECT_EQ(seen.frames, "Dither|Threshold 128");
    EXPECT_EQ(seen.tips, "color 1|color 2");
    EXPECT_TRUE(seen.noneChosen);
    EXPECT_TRUE(seen.previewShown) << "the first preview comes without waiting for the delay";

    EXPECT_FALSE(gui.windowExists(WIN_TWO_COLORS));
    EXPECT_TRUE(imagesEqual(inView(), picture, "after Cancel"));
    EXPECT_TRUE(canvasShows(picture)) << "Cancel shows the unchanged image again";
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_FALSE(s.images.exists(IMG_SCRATCH)) << "the preview is freed";
}

TEST_F(PreviewDialogTest, TwoColorsWaitsForTheSliderToRestAndOkTakesThePreviewShown) {
    std::string caption;
    bool oldPreviewAtDelay = false, newPreviewAfterDelay = false;
    at(20, WIN_TWO_COLORS, [&] { slide(kThresholdSlider, 200); });
    at(30, WIN_TWO_COLORS, [&] { caption = textAt(kThresholdFrame); });
    // Moved at 20: due at 350, recomputed only strictly after it.
    at(351, WIN_TWO_COLORS, [&] {
        oldPreviewAtDelay = canvasShows(twoColored(picture, 128, TwoColorsDither::None));
    });
    at(365, WIN_TWO_COLORS, [&] {
        newPreviewAfterDelay = canvasShows(twoColored(picture, 200, TwoColorsDither::None));
        slide(kThresholdSlider, 30);
    });
    at(400, WIN_TWO_COLORS, [&] { click(kTwoOk); });  // before position 30 is due
    open(MENU_TWO_COLORS);

    EXPECT_EQ(caption, "Threshold 200");
    EXPECT_TRUE(oldPreviewAtDelay);
    EXPECT_TRUE(newPreviewAfterDelay);
    EXPECT_TRUE(imagesEqual(inView(), twoColored(picture, 200, TwoColorsDither::None), "OK"));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), picture, "undone"));
}

TEST_F(PreviewDialogTest, TwoColorsDitherAndColoursForceARecomputeAndTheColoursStay) {
    constexpr Color kRed = 0x0000FF, kBlue = 0xFF0000;
    requesters.colors = {kRed, std::nullopt, kBlue};
    bool sierraShown = false, redShown = false;
    at(20, WIN_TWO_COLORS, [&] { click(kSierra); });
    at(40, WIN_TWO_COLORS, [&] {
        sierraShown = canvasShows(twoColored(picture, 128, TwoColorsDither::SierraLite));
        click(kColor1);
    });
    at(60, WIN_TWO_COLORS, [&] {
        redShown = canvasShows(twoColored(picture, 128, TwoColorsDither::SierraLite, kRed));
        click(kColor2);  // cancelled: nothing changes
    });
    at(80, WIN_TWO_COLORS, [&] { click(kTwoCancel); });
    open(MENU_TWO_COLORS);
    EXPECT_TRUE(sierraShown);
    EXPECT_TRUE(redShown);
    EXPECT_EQ(s.TwoColorsColor1, kRed) << "kept after Cancel";
    EXPECT_EQ(s.TwoColorsColor2, 0xFFFFFFu);
    EXPECT_TRUE(imagesEqual(inView(), picture, "after Cancel"));

    // The next opening starts from the kept colour, with the dither back at "None".
    at(20, WIN_TWO_COLORS, [&] { click(kColor2); });
    at(40, WIN_TWO_COLORS, [&] { click(kTwoOk); });
    open(MENU_TWO_COLORS);
    EXPECT_EQ(requesters.lastInitialColor, 0xFFFFFFu);
    EXPECT_TRUE(imagesEqual(inView(), twoColored(picture, 128, TwoColorsDither::None, kRed, kBlue),
                            "second use"));
    EXPECT_EQ(requesters.unexpected, 0);
}

TEST_F(PreviewDialogTest, TheMainWindowsCloseRequestEndsAPreviewAsCancel) {
    at(20, WIN_TWO_COLORS, [&] {
        gui.postEvent(menuEvent(MENU_NEGATIVE));  // dropped while the dialog is open
        gui.postEvent(windowEvent(gui::EventKind::Close, WIN_MAIN));
    });
    open(MENU_TWO_COLORS);  // the loop then asks to quit, which the fixture answers Yes
    EXPECT_FALSE(gui.windowExists(WIN_TWO_COLORS));
    EXPECT_TRUE(imagesEqual(inView(), picture, "after the close request"));
    EXPECT_TRUE(canvasShows(picture));
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_TRUE(requesters.asked.empty());
}

TEST_F(PreviewDialogTest, BrightnessLaysOutItsControlsAndOkAtOnceChangesNothing) {
    std::string title, labels, caption;
    gui::Size inner;
    bool defaults = false;
    at(20, WIN_BRIGHTNESS, [&] {
        title = gui.title(WIN_BRIGHTNESS);
        inner = innerSize(WIN_BRIGHTNESS);
        for (gui::Rect place : {kRed, kGreen, kBlue, kOverdrive, kBrightReset, kBrightCancel,
                                kBrightOk})
            labels += textAt(place) + "|";
        caption = textAt(kOffsetFrame);
        defaults = gui.isChecked(added(kRed)) && gui.isChecked(added(kGreen)) &&
                   gui.isChecked(added(kBlue)) && !gui.isChecked(added(kOverdrive)) &&
                   gui.value(added(kOffsetSlider)) == 128;
        click(kBrightOk);
    });
    open(MENU_BRIGHTNESS);
    EXPECT_EQ(title, "Brightness Adjust");
    EXPECT_EQ(inner, (gui::Size{300, 135}));
    EXPECT_EQ(labels, "RED|GRN|BLU|OVERDRIVE|Reset|Cancel|OK|");
    EXPECT_EQ(caption, "0");
    EXPECT_TRUE(defaults);
    EXPECT_TRUE(imagesEqual(inView(), picture, "OK without a preview"));
    EXPECT_EQ(s.undoFlags, 0);
}

TEST_F(PreviewDialogTest, BrightnessChannelsAndOverdriveApplyInTheWorkView) {
    run(controlEvent(GAD_VIEW_WORK));
    const Image fewColours = imageFromPixels(2, 2, {0x102030, 0x40F0E0, 0x102030, 0x00FF00});
    show(fewColours);
    std::string caption;
    at(20, WIN_BRIGHTNESS, [&] {
        slide(kOffsetSlider, 88);
        click(kRed);
        click(kBlue);
        click(kOverdrive);
    });
    at(30, WIN_BRIGHTNESS, [&] { caption = textAt(kOffsetFrame); });
    at(400, WIN_BRIGHTNESS, [&] { click(kBrightOk); });
    open(MENU_BRIGHTNESS);
    EXPECT_EQ(caption, "-40");
    // Green only, wrapped: 0x20 - 40 wraps to 0xF8, 0xF0 - 40 = 0xC8, 0xFF - 40 = 0xD7.
    const Image expected = imageFromPixels(2, 2, {0x10F830, 0x40C8E0, 0x10F830, 0x00D700});
    EXPECT_TRUE(imagesEqual(inView(), expected, "GRN only, overdrive"));
    EXPECT_TRUE(imagesEqual(inView(), brightened(fewColours, {-40, false, true, false, true}),
                            "the operation itself"));
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
    const std::set<Color> palette(s.currentPalette.begin(), s.currentPalette.end());
    EXPECT_EQ(palette, (std::set<Color>{0x10F830, 0x40C8E0, 0x00D700})) << "recounted";
}

TEST_F(PreviewDialogTest, BrightnessResetRecomputesAtOnceAndTheOldPositionComesBack) {
    const Image at60 = brightened(picture, {60, true, true, true, false});
    bool resetShowsOriginal = false, backAt60 = false;
    std::string captionAfterReset;
    int sliderAfterReset = -1;
    at(20, WIN_BRIGHTNESS, [&] { slide(kOffsetSlider, 188); });
    at(400, WIN_BRIGHTNESS, [&] { click(kBrightReset); });
    at(405, WIN_BRIGHTNESS, [&] {
        resetShowsOriginal = canvasShows(picture);
        captionAfterReset = textAt(kOffsetFrame);
        sliderAfterReset = gui.value(added(kOffsetSlider));
        slide(kOffsetSlider, 188);
    });
    at(800, WIN_BRIGHTNESS, [&] {
        backAt60 = canvasShows(at60);
        click(kBrightCancel);
    });
    open(MENU_BRIGHTNESS);
    EXPECT_TRUE(resetShowsOriginal);
    EXPECT_EQ(captionAfterReset, "0");
    EXPECT_EQ(sliderAfterReset, 128);
    EXPECT_TRUE(backAt60);
    EXPECT_TRUE(imagesEqual(inView(), picture, "after Cancel"));
}

TEST_F(PreviewDialogTest, TheHistogramFollowsThePreviewAndItsBoxes) {
    clickControl(gui, GAD_HISTOGRAM);
    runLoop();
    ASSERT_TRUE(gui.windowExists(WIN_HISTOGRAM));
    const std::string originalTitle = gui.title(WIN_HISTOGRAM);
    std::string titleOfPreview, titleAfterRedBox;
    at(20, WIN_BRIGHTNESS, [&] { slide(kOffsetSlider, 228); });
    at(400, WIN_BRIGHTNESS, [&] {
        titleOfPreview = gui.title(WIN_HISTOGRAM);
        clickControl(gui, GAD_HIST_RED);
    });
    at(420, WIN_BRIGHTNESS, [&] {
        titleAfterRedBox = gui.title(WIN_HISTOGRAM);
        click(kBrightCancel);
    });
    open(MENU_BRIGHTNESS);

    // What the histogram window says of the preview as an image in view, red box unticked
    // and then ticked again.
    show(brightened(picture, {100, true, true, true, false}));
    const std::string withoutRed = gui.title(WIN_HISTOGRAM);
    clickControl(gui, GAD_HIST_RED);
    runLoop();
    const std::string withRed = gui.title(WIN_HISTOGRAM);
    EXPECT_NE(withRed, originalTitle);
    EXPECT_NE(withRed, withoutRed);
    EXPECT_EQ(titleOfPreview, withRed);
    EXPECT_EQ(titleAfterRedBox, withoutRed) << "the box click redraws from the preview";
}

TEST_F(PreviewDialogTest, ContrastLaysOutItsControlsAndAppliesTheFactor) {
    std::string title, labels, caption;
    gui::Size inner;
    at(20, WIN_CONTRAST, [&] {
        title = gui.title(WIN_CONTRAST);
        inner = innerSize(WIN_CONTRAST);
        labels = textAt(kContrastReset) + "|" + textAt(kContrastCancel) + "|" +
                 textAt(kContrastOk) + "|" + textAt(kAmountFrame);
        slide(kAmountSlider, 150);
    });
    at(30, WIN_CONTRAST, [&] { caption = textAt(kAmountFrame); });
    at(400, WIN_CONTRAST, [&] { slide(kAmountSlider, 0); });
    at(760, WIN_CONTRAST, [&] { click(kContrastOk); });
    open(MENU_CONTRAST);
    EXPECT_EQ(title, "Contrast Adjust");
    EXPECT_EQ(inner, (gui::Size{235, 100}));
    EXPECT_EQ(labels, "Reset|Cancel|OK|0");
    EXPECT_EQ(caption, "50");
    EXPECT_TRUE(imagesEqual(inView(), contrasted(picture, -100), "p = 0"));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
}

TEST_F(PreviewDialogTest, ContrastCancelInTheWorkViewLeavesImageUndoAndPalette) {
    run(controlEvent(GAD_VIEW_WORK));
    show(picture);
    const Palette palette = s.currentPalette;
    const int flags = s.undoFlags;
    bool previewShown = false;
    at(20, WIN_CONTRAST, [&] { slide(kAmountSlider, 170); });
    at(400, WIN_CONTRAST, [&] {
        previewShown = canvasShows(contrasted(picture, 70));
        pressCloseBox(gui, WIN_CONTRAST);
    });
    open(MENU_CONTRAST);
    EXPECT_TRUE(previewShown);
    EXPECT_FALSE(gui.windowExists(WIN_CONTRAST));
    EXPECT_TRUE(imagesEqual(inView(), picture, "after the close box"));
    EXPECT_TRUE(canvasShows(picture));
    EXPECT_EQ(s.undoFlags, flags);
    EXPECT_EQ(s.currentPalette, palette);
}

TEST_F(PreviewDialogTest, NoDialogOpensWithoutAnImageInView) {
    s.images.free(s.imageInView);
    const WindowNumber windows[] = {WIN_TWO_COLORS, WIN_BRIGHTNESS, WIN_CONTRAST,
                                    WIN_RESIZE_IMAGE, WIN_RESIZE_CANVAS};
    const int items[] = {MENU_TWO_COLORS, MENU_BRIGHTNESS, MENU_CONTRAST, MENU_RESIZE_IMAGE,
                         MENU_RESIZE_CANVAS};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(items[i]);
        bool opened = false;
        clock.schedule(20, [&, i] {
            opened = gui.windowExists(windows[i]);
            if (opened) pressCloseBox(gui, windows[i]);
        });
        open(items[i]);
        EXPECT_FALSE(opened);
        EXPECT_EQ(s.undoFlags, 0);
    }
}

}  // namespace
}  // namespace vd::test
