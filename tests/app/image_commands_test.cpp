#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

using ImageCommands = AppWindowTest;

TEST_F(ImageCommands, EmptySlotDoesNothing) {
    s.images.free(s.imgWork);
    negativeCommand(s, s.imgWork);
    grayScaleCommand(s, s.imgWork);
    flipCommand(s, s.imgWork);
    mirrorCommand(s, s.imgWork);
    rotate180Command(s, s.imgWork);
    EXPECT_EQ(rotateQuarterCommand(s, s.imgWork, true), 0);
    s.Selection.active = 1;
    EXPECT_EQ(cropCommand(s, s.imgWork), 0);
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_FALSE(s.images.exists(s.imgWork));
    EXPECT_FALSE(s.images.exists(s.imgWorkUndo));
}

TEST_F(ImageCommands, EachEditKeepsThePreviousImageAsTheViewsUndoStep) {
    const Image source = patternImage(4, 3);
    s.images.put(s.imgWork, source);
    negativeCommand(s, s.imgWork);
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
    EXPECT_TRUE(imagesEqual(image(s.imgWorkUndo), source));
    EXPECT_EQ(image(s.imgWork).at(1, 2) & kRgbMask, ~source.at(1, 2) & kRgbMask);

    const Image negated = image(s.imgWork);
    grayScaleCommand(s, s.imgWork);
    EXPECT_TRUE(imagesEqual(image(s.imgWorkUndo), negated)) << "only one level is kept";
    const Color gray = image(s.imgWork).at(0, 0);
    EXPECT_EQ(redOf(gray), greenOf(gray));
    EXPECT_EQ(greenOf(gray), blueOf(gray));
}

TEST_F(ImageCommands, QuarterTurnSavesTheUnturnedImage) {
    const Image source = patternImage(4, 2);
    s.images.put(s.imgReference, source);
    EXPECT_EQ(rotateQuarterCommand(s, s.imgReference, true), 1);
    const Image& turned = image(s.imgReference);
    ASSERT_EQ(turned.width(), 2);
    ASSERT_EQ(turned.height(), 4);
    EXPECT_EQ(turned.at(1, 0), source.at(0, 0)) << "top-left goes to the top-right";
    EXPECT_TRUE(imagesEqual(image(s.imgReferenceUndo), source));

    EXPECT_EQ(rotateQuarterCommand(s, s.imgReference, false), 1);
    EXPECT_TRUE(imagesEqual(image(s.imgReference), source));
}

TEST_F(ImageCommands, CropTakesTheSelectionBoundsInclusive) {
    const Image source = patternImage(5, 4);
    s.images.put(s.imgReference, source);
    EXPECT_EQ(cropCommand(s, s.imgReference), 0) << "no selection";
    EXPECT_EQ(s.undoFlags, 0);

    s.Selection = SelectionRecord{2, 3, 1, 1, 1, 1, 0, 5, 0, 4};
    EXPECT_EQ(cropCommand(s, s.imgReference), 1);
    const Image& cut = image(s.imgReference);
    ASSERT_EQ(cut.width(), 2);
    ASSERT_EQ(cut.height(), 1);
    EXPECT_EQ(cut.at(0, 0), source.at(2, 1));
    EXPECT_EQ(cut.at(1, 0), source.at(3, 1));
    EXPECT_EQ(s.Selection.active, 0);
    EXPECT_EQ(gui.statusText(WIN_MAIN, 1), "");
    EXPECT_TRUE(imagesEqual(image(s.imgReferenceUndo), source));
}

TEST_F(ImageCommands, ScratchImagesChangeWithoutUndo) {
    s.images.put(IMG_SCRATCH, patternImage(3, 2));
    mirrorCommand(s, IMG_SCRATCH);
    flipCommand(s, IMG_SCRATCH);
    EXPECT_EQ(rotateQuarterCommand(s, IMG_SCRATCH, true), 1);
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_EQ(image(IMG_SCRATCH).width(), 2);
}

}  // namespace
}  // namespace vd::test
