#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/panels/palette_fixture.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

constexpr Color kA = 0x0000C0, kB = 0x00C000, kC = 0xC00000, kD = 0x123456;
constexpr const char* kKeepQuestion = "question: : Do you wish to keep this color?";

// Palette {A, B, C} in two columns of 56-pixel swatches: A at the top left, B top right,
// C below A, the texture beside C and below.
constexpr gui::Point kSwatchA{10, 10}, kSwatchB{60, 10}, kSwatchC{10, 60};

class PaletteEdit : public PaletteTest {
  protected:
    // A B A C / C A B A
    const Image picture = imageFromPixels(4, 2, {kA, kB, kA, kC, kC, kA, kB, kA});

    void SetUp() override {
        PaletteTest::SetUp();
        showWork(picture);
        s.currentPalette = {kA, kB, kC};
        showPalette(s, s.currentPalette);
    }

    // The user clicks the palette picture; the loop runs the edit.
    void clickPalette(gui::Point at) {
        clickControlAt(gui, GAD_PALETTE, at);
        runLoop();
    }
    void answer(std::optional<Color> color, std::optional<bool> keep = std::nullopt) {
        requesters.colors.push_back(color);
        if (keep) requesters.answers.push_back(*keep);
    }
    static gui::Event paletteEvent(int type, int x, int y) {
        gui::Event e;
        e.kind = gui::EventKind::Control;
        e.window = WIN_PALETTE;
        e.control = GAD_PALETTE;
        e.type = type;
        e.x = x;
        e.y = y;
        return e;
    }
    const Image& work() const { return image(s.imgWork); }
};

TEST_F(PaletteEdit, KeptColourReplacesEveryPixelAndCanBeUndone) {
    s.undoFlags = UNDO_REFERENCE | REDO_WORK;
    answer(kD, true);
    clickPalette(kSwatchA);

    EXPECT_EQ(requesters.lastInitialColor, kA) << "the requester starts from the old colour";
    EXPECT_EQ(requesters.asked, (std::vector<std::string>{"color", kKeepQuestion}));
    ASSERT_FALSE(requesters.preselected.empty());
    EXPECT_EQ(requesters.preselected.front(), gui::YesNoDefault::Yes)
        << "keeping is what was asked";
    EXPECT_EQ(requesters.unexpected, 0);
    EXPECT_TRUE(
        imagesEqual(work(), imageFromPixels(4, 2, {kD, kB, kD, kC, kC, kD, kB, kD}), "work after"));
    EXPECT_EQ(canvasAt(0, 0), kD);
    EXPECT_EQ(s.currentPalette, (Palette{kD, kB, kC}));
    EXPECT_EQ(palettePicture().at(kSwatchA.x, kSwatchA.y) & kRgbMask, kD);
    EXPECT_EQ(paletteTitle(), "3 Palette");
    EXPECT_FALSE(s.images.exists(IMG_SCRATCH));

    // The Work view now has an undo step and no redo step; the Reference view keeps its own.
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE | UNDO_WORK);
    EXPECT_TRUE(gui.isEnabled(GAD_UNDO));
    EXPECT_FALSE(gui.isEnabled(GAD_REDO));
    EXPECT_TRUE(imagesEqual(image(s.imgWorkUndo), picture, "undo step"));

    undo(s);
    EXPECT_TRUE(imagesEqual(work(), picture, "after undo"));
    EXPECT_EQ(s.undoFlags & (UNDO_WORK | REDO_WORK), REDO_WORK);
    redo(s);
    EXPECT_EQ(work().at(0, 0) & kRgbMask, kD);
}

TEST_F(PaletteEdit, RefusedColourLeavesEverythingAsItWas) {
    // D is already in the picture: the restore must not turn it into A.
    const Image withD = imageFromPixels(3, 2,
                                        {kA | 0x11000000u, kD | 0x22000000u, kA | kAlphaMask,
                                         kB | 0x44000000u, kD, kA | 0x66000000u},
                                        32);
    showWork(withD);
    s.undoFlags = UNDO_WORK;
    const Palette paletteBefore = s.currentPalette;
    const Image paletteShown = palettePicture();
    const ImageNumber undoBefore = s.imgWorkUndo;
    const bool undoImageExisted = s.images.exists(undoBefore);

    answer(kD, false);
    clickPalette(kSwatchA);

    EXPECT_EQ(requesters.asked, (std::vector<std::string>{"color", kKeepQuestion}));
    EXPECT_TRUE(imagesEqual(work(), withD, "work restored"));
    EXPECT_EQ(canvasAt(2, 0), kA);  // opaque, so the canvas shows it as it is
    EXPECT_EQ(s.currentPalette, paletteBefore);
    EXPECT_TRUE(imagesEqual(palettePicture(), paletteShown, "palette picture"));
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
    EXPECT_EQ(s.images.exists(undoBefore), undoImageExisted);
    EXPECT_FALSE(s.images.exists(IMG_SCRATCH));
}

TEST_F(PaletteEdit, ReplacedPixelsKeepTheirAlpha) {
    showWork(imageFromPixels(
        4, 1, {kB | 0x10000000u, kB | 0x80000000u, kA | 0xFF000000u, kB & kRgbMask}, 32));
    answer(kD, true);
    clickPalette(kSwatchB);
    EXPECT_TRUE(imagesEqual(
        work(),
        imageFromPixels(4, 1, {kD | 0x10000000u, kD | 0x80000000u, kA | 0xFF000000u, kD}, 32),
        "alpha kept"));
}

TEST_F(PaletteEdit, FromTheReferenceViewTheWorkImageChangesAndIsShown) {
    const Image reference(4, 2, 24, kA);
    s.imageInView = s.imgReference;
    show(reference);

    answer(kD, true);
    editPaletteColor(s, paletteEvent(gui::CONTROL_ACTIVATED, kSwatchC.x, kSwatchC.y));

    EXPECT_EQ(s.imageInView, s.imgWork);
    EXPECT_EQ(work().at(0, 1) & kRgbMask, kD);
    EXPECT_EQ(work().at(3, 0) & kRgbMask, kD);
    EXPECT_TRUE(imagesEqual(image(s.imgReference), reference, "reference untouched"));
    EXPECT_EQ(canvasAt(3, 0), kD);
    EXPECT_EQ(canvasAt(1, 0), kB);
}

TEST_F(PaletteEdit, OnlyTheFirstMatchingPaletteEntryFollows) {
    // B, A / C, A: A twice, the first in the top right swatch.
    s.currentPalette = {kB, kA, kC, kA};
    showPalette(s, s.currentPalette);
    answer(kD, true);
    clickPalette({60, 60});  // the second A

    EXPECT_EQ(s.currentPalette, (Palette{kB, kD, kC, kA}));
    EXPECT_EQ(palettePicture().at(60, 10) & kRgbMask, kD);
    EXPECT_EQ(palettePicture().at(60, 60) & kRgbMask, kA);
    EXPECT_EQ(work().at(0, 0) & kRgbMask, kD);
}

TEST_F(PaletteEdit, ClickBesideTheSwatchesPicksTheTexturesGray) {
    // (60, 60): 60 ^ 60 = 0, | 192 = 192.
    constexpr Color kGray = 0xC0C0C0;
    showWork(imageFromPixels(2, 1, {kGray, kA}));
    answer(kD, true);
    clickPalette({60, 60});
    EXPECT_EQ(requesters.lastInitialColor, kGray);
    EXPECT_TRUE(imagesEqual(work(), imageFromPixels(2, 1, {kD, kA}), "gray replaced"));
    EXPECT_EQ(s.currentPalette, (Palette{kA, kB, kC})) << "no entry is gray";

    // Beyond the picture nothing is read: black.
    answer(std::nullopt);
    editPaletteColor(s, paletteEvent(gui::CONTROL_ACTIVATED, 200, 5));
    EXPECT_EQ(requesters.lastInitialColor, 0u);
}

TEST_F(PaletteEdit, CancelOrAnotherEventChangesNothing) {
    answer(std::nullopt);
    clickPalette(kSwatchA);
    EXPECT_EQ(requesters.asked, (std::vector<std::string>{"color"}));
    EXPECT_TRUE(imagesEqual(work(), picture, "work after cancel"));
    EXPECT_EQ(s.currentPalette, (Palette{kA, kB, kC}));
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_FALSE(s.images.exists(IMG_SCRATCH));

    requesters.asked.clear();
    editPaletteColor(s, paletteEvent(gui::FOCUS_GAINED, kSwatchA.x, kSwatchA.y));
    EXPECT_TRUE(requesters.asked.empty());
}

}  // namespace
}  // namespace vd::test
