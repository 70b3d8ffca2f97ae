#include <gtest/gtest.h>

#include "tests/canvas/main_window_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

constexpr Color kRed = 0x0000FF;
constexpr Color kGreen = 0x00FF00;

class ViewsTest : public MainWindowTest {
  protected:
    Image picture = patternImage(40, 30);

    void SetUp() override {
        MainWindowTest::SetUp();
        show(picture);
    }

    // An edit of image n: save its undo step, then change every pixel.
    void edit(ImageNumber n, Color fill) {
        saveUndo(s, n);
        for (Color& c : s.images.get(n)->pixels())
            c = fill | kAlphaMask;
    }

    bool undoEnabled() const { return gui.isEnabled(GAD_UNDO); }
    bool redoEnabled() const { return gui.isEnabled(GAD_REDO); }
};

TEST_F(ViewsTest, ReferenceViewStepsBackAndForthByExchangingItsSlots) {
    EXPECT_FALSE(undoEnabled());
    EXPECT_FALSE(redoEnabled());

    edit(s.imgReference, kRed);
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
    EXPECT_TRUE(undoEnabled());
    EXPECT_FALSE(redoEnabled());
    EXPECT_TRUE(imagesEqual(*s.images.get(imageNumber(1)), picture, "saved copy"));

    undo(s);
    EXPECT_EQ(s.imgReference, imageNumber(1));
    EXPECT_EQ(s.imgReferenceUndo, imageNumber(0));
    EXPECT_EQ(s.imageInView, imageNumber(1));
    EXPECT_EQ(s.undoFlags, REDO_REFERENCE);
    EXPECT_FALSE(undoEnabled());
    EXPECT_TRUE(redoEnabled());
    EXPECT_EQ(canvasAt(5, 5), picture.at(5, 5) & kRgbMask);

    undo(s);  // no undo step left: nothing changes
    EXPECT_EQ(s.imgReference, imageNumber(1));
    EXPECT_EQ(s.undoFlags, REDO_REFERENCE);

    redo(s);
    EXPECT_EQ(s.imgReference, imageNumber(0));
    EXPECT_EQ(s.imgReferenceUndo, imageNumber(1));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
    EXPECT_TRUE(undoEnabled());
    EXPECT_FALSE(redoEnabled());
    EXPECT_EQ(canvasAt(5, 5), kRed);

    redo(s);  // no redo step left
    EXPECT_EQ(s.imgReference, imageNumber(0));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
}

TEST_F(ViewsTest, AfterAnUndoTheNextEditSavesIntoTheOtherNumber) {
    edit(s.imgReference, kRed);
    undo(s);
    ASSERT_EQ(s.imgReference, imageNumber(1));

    // Image 0 is now the saved copy, not the reference: saving it is not an edit of a view.
    saveUndo(s, imageNumber(0));
    EXPECT_EQ(s.undoFlags, REDO_REFERENCE);

    edit(s.imgReference, kGreen);  // the redo step is lost
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
    EXPECT_TRUE(imagesEqual(*s.images.get(imageNumber(0)), picture, "undo copy in image 0"));
    EXPECT_FALSE(redoEnabled());
}

TEST_F(ViewsTest, TwoEditsThenUndoGoBackOneEditOnly) {
    edit(s.imgReference, kRed);
    edit(s.imgReference, kGreen);
    undo(s);
    EXPECT_EQ(canvasAt(0, 0), kRed);
    undo(s);
    EXPECT_EQ(canvasAt(0, 0), kRed);
    EXPECT_EQ(s.undoFlags, REDO_REFERENCE);
}

TEST_F(ViewsTest, WorkViewKeepsItsOwnStepsAndButtons) {
    switchView(s, GAD_VIEW_WORK);
    EXPECT_TRUE(gui.isChecked(GAD_VIEW_WORK));
    EXPECT_EQ(s.imageInView, s.imgWork);
    show(picture);
    const Image reference = *s.images.get(s.imgReference);

    edit(s.imgWork, kRed);
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
    undo(s);
    EXPECT_EQ(s.imgWork, imageNumber(3));
    EXPECT_EQ(s.imgWorkUndo, imageNumber(2));
    EXPECT_EQ(s.undoFlags, REDO_WORK);
    EXPECT_FALSE(undoEnabled());
    EXPECT_TRUE(redoEnabled());

    // The Reference view has no steps of its own, and the work undo left it alone.
    switchView(s, GAD_VIEW_REFERENCE);
    EXPECT_TRUE(gui.isChecked(GAD_VIEW_REFERENCE));
    EXPECT_FALSE(gui.isChecked(GAD_VIEW_WORK));
    EXPECT_FALSE(undoEnabled());
    EXPECT_FALSE(redoEnabled());
    EXPECT_EQ(s.imgReference, imageNumber(0));
    EXPECT_TRUE(imagesEqual(*s.images.get(s.imgReference), reference, "reference"));
    undo(s);
    redo(s);
    EXPECT_EQ(s.undoFlags, REDO_WORK);

    switchView(s, GAD_VIEW_WORK);
    EXPECT_FALSE(undoEnabled());
    EXPECT_TRUE(redoEnabled());
    redo(s);
    EXPECT_EQ(s.imgWork, imageNumber(2));
    EXPECT_EQ(canvasAt(3, 3), kRed);
}

TEST_F(ViewsTest, SavingShowsTheSavedViewsButtonsAndGivesTheCanvasFocus) {
    gui.setFocus(GAD_LIMIT);
    saveUndo(s, s.imgWork);  // while the Reference view is shown
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
    EXPECT_TRUE(undoEnabled());
    EXPECT_EQ(gui.focusedControl(), GAD_CANVAS);
}

TEST_F(ViewsTest, OnlyTheTwoViewImagesHaveUndoSteps) {
    for (ImageNumber n : {IMG_SCRATCH, IMG_REDO_ICON, IMG_ORIGINAL})
        saveUndo(s, n);
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_FALSE(s.images.exists(imageNumber(1)));
    EXPECT_FALSE(s.images.exists(imageNumber(3)));
}

TEST_F(ViewsTest, UndoWithoutItsSavedCopyDoesNothing) {
    s.undoFlags = UNDO_REFERENCE;  // bit set, but image 1 was never made
    undo(s);
    EXPECT_EQ(s.imgReference, imageNumber(0));
    EXPECT_EQ(s.imageInView, imageNumber(0));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
}

TEST_F(ViewsTest, SetWorkAsReferenceMakesTheOldReferenceTheUndoStep) {
    const Image work = patternImage(20, 10);
    s.images.put(s.imgWork, work);
    s.undoFlags = REDO_WORK;
    switchView(s, GAD_VIEW_WORK);

    setWorkAsReference(s);
    EXPECT_EQ(s.imageInView, s.imgReference);
    EXPECT_TRUE(gui.isChecked(GAD_VIEW_REFERENCE));
    EXPECT_EQ(s.undoFlags, REDO_WORK | UNDO_REFERENCE);
    EXPECT_TRUE(imagesEqual(*s.images.get(s.imgReference), work, "new reference"));
    EXPECT_TRUE(imagesEqual(*s.images.get(s.imgReferenceUndo), picture, "old reference"));
    EXPECT_TRUE(imagesEqual(*s.images.get(s.imgWork), work, "work"));
    EXPECT_TRUE(undoEnabled());
    EXPECT_EQ(gui.canvasPixels(GAD_CANVAS).width(), 20);

    undo(s);
    EXPECT_EQ(canvasAt(7, 7), picture.at(7, 7) & kRgbMask);
}

TEST_F(ViewsTest, SetWorkAsReferenceWithoutAWorkImageDoesNothing) {
    s.images.free(s.imgWork);
    setWorkAsReference(s);
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_FALSE(s.images.exists(s.imgReferenceUndo));
    EXPECT_TRUE(imagesEqual(*s.images.get(s.imgReference), picture, "reference"));
}

TEST_F(ViewsTest, PasteNewImageWithoutAClipboardPictureChangesNothing) {
    gui.setClipboardText("no picture here");
    pasteNewImage(s);
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_TRUE(imagesEqual(*s.images.get(s.imageInView), picture, "image in view"));
}

TEST_F(ViewsTest, PasteNewImageReplacesTheImageInViewWithAnOpaqueCopy) {
    // A translucent pixel on the clipboard must arrive opaque: the paste drops alpha.
    Image pasted(7, 5, 32, 0xFF000000u | kGreen);
    pasted.at(1, 1) = 0xFF000000u | kRed;
    pasted.at(2, 3) = 0x40000000u | kRed;
    gui.setClipboardImage(pasted);

    pasteNewImage(s);
    const Image* now = s.images.get(s.imageInView);
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->width(), 7);
    EXPECT_EQ(now->height(), 5);
    EXPECT_EQ(now->depth(), 24);
    EXPECT_EQ(alphaOf(now->at(2, 3)), 255);
    EXPECT_EQ(now->at(1, 1), 0xFF000000u | kRed);
    EXPECT_EQ(now->at(0, 0), 0xFF000000u | kGreen);
    EXPECT_FALSE(s.images.exists(IMG_SCRATCH));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
    EXPECT_TRUE(imagesEqual(*s.images.get(s.imgReferenceUndo), picture, "undo step"));
    EXPECT_EQ(gui.canvasPixels(GAD_CANVAS).width(), 7);
    EXPECT_EQ(canvasAt(1, 1), kRed);
}

}  // namespace
}  // namespace vd::test
