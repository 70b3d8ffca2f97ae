#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "adjust/color_ops.h"
#include "tests/files/files_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

std::size_t distinctColors(const Image& picture) {
    std::set<Color> colors;
    for (Color c : picture.pixels())
        colors.insert(c & kRgbMask);
    return colors.size();
}

class LoadTest : public FilesTest {
  protected:
    const Image first = patternImage(20, 10);
    const Image second = patternImage(7, 13);
    const Image workPicture = patternImage(5, 5);

    Image negated(Image picture) {
        negative(picture);
        return picture;
    }
};

TEST_F(LoadTest, OffersThePicturesFolderWithBothFilters) {
    loadFile("");
    EXPECT_EQ(requesters.asked, std::vector<std::string>{"open: Select image to process"});
    EXPECT_EQ(requesters.lastFolder, desktop.picturesFolder());
    EXPECT_EQ(requesters.lastFilters,
              "image (*.png, *.jpg, *.bmp)|*.png;*.jpg;*.bmp|image *.*|*.*");
    // Cancelled: nothing at all changes.
    EXPECT_TRUE(s.firstLoad);
    EXPECT_EQ(s.loadedPath, "");
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_TRUE(imagesEqual(inView(), image(IMG_ORIGINAL)));
}

TEST_F(LoadTest, ReplacesTheReferenceAndShowsItWhileTheWorkImageStays) {
    s.images.put(s.imgWork, workPicture);
    saveUndo(s, s.imgWork);
    run(controlEvent(GAD_VIEW_WORK));
    ASSERT_EQ(s.imageInView, s.imgWork);

    const std::string path = writePicture("first.png", first);
    loadFile(path);

    EXPECT_EQ(s.imageInView, s.imgReference);
    EXPECT_TRUE(gui.isChecked(GAD_VIEW_REFERENCE));
    EXPECT_TRUE(imagesEqual(image(s.imgReference), first, "reference"));
    EXPECT_TRUE(imagesEqual(image(IMG_ORIGINAL), first, "base"));
    EXPECT_TRUE(imagesEqual(image(s.imgWork), workPicture, "work"));
    EXPECT_FALSE(s.images.exists(IMG_SCRATCH));
    // The first load records no step for the reference; the work image keeps its own.
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
    EXPECT_FALSE(s.firstLoad);
    EXPECT_EQ(s.loadedPath, path);
    EXPECT_EQ(s.loadedTitle, "first");
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0), "first.png  |  (20 x 10)");
    EXPECT_EQ(gui.text(GAD_UNIQUE_COUNT), std::to_string(distinctColors(first)));
    EXPECT_EQ(gui.canvasPixels(GAD_CANVAS).at(19, 9) & kRgbMask, first.at(19, 9) & kRgbMask);
}

TEST_F(LoadTest, OnlyTheSecondLoadCanBeUndone) {
    loadFile(writePicture("first.png", first));
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_FALSE(gui.isEnabled(GAD_UNDO));
    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), first)) << "nothing to undo after the first load";

    loadFile(writePicture("second.bmp", second, ImageFormat::Bmp));
    EXPECT_TRUE(imagesEqual(inView(), second));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
    EXPECT_TRUE(gui.isEnabled(GAD_UNDO));
    EXPECT_EQ(s.loadedTitle, "second");

    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), first, "after undo"));
    EXPECT_TRUE(imagesEqual(image(IMG_ORIGINAL), second)) << "undo leaves the base image";
}

TEST_F(LoadTest, RecognisesThePictureByContentNotByName) {
    const std::string path = writePicture("a.b.jpg", first, ImageFormat::Bmp);
    requesters.files.push_back({path, 1});
    run(menuEvent(MENU_LOAD_IMAGE));
    EXPECT_TRUE(imagesEqual(inView(), first));
    EXPECT_EQ(s.loadedTitle, "a.b");
}

TEST_F(LoadTest, LoadsAPhotoAsTheCodecDecodesIt) {
    const std::string photo = (testdataDir() / "photos" / "kodim03.png").string();
    const Image expected = readBack(photo);
    loadFile(photo);
    ASSERT_EQ(inView().width(), expected.width());
    EXPECT_TRUE(imagesEqual(inView(), expected));
    EXPECT_EQ(s.loadedTitle, "kodim03");
}

TEST_F(LoadTest, AFileThatDoesNotDecodeChangesNothing) {
    const std::string good = writePicture("good.png", first);
    loadFile(good);
    s.images.put(s.imgWork, workPicture);

    const std::string broken = pathOf("broken.png");
    writeText(broken, "\x89PNG\r\n\x1a\n but nothing after the signature");
    const std::string empty = pathOf("empty.bmp");
    writeText(empty, "");
    for (const std::string& path : {broken, empty, pathOf("missing.png"), dir.string()}) {
        SCOPED_TRACE(path);
        requesters.asked.clear();
        loadFile(path);
        EXPECT_EQ(requesters.asked, std::vector<std::string>{"open: Select image to process"})
            << "no question box";
        EXPECT_EQ(s.loadedPath, good);
        EXPECT_EQ(s.loadedTitle, "good");
        EXPECT_EQ(s.undoFlags, 0);
        EXPECT_TRUE(imagesEqual(image(s.imgReference), first, "reference"));
        EXPECT_TRUE(imagesEqual(image(IMG_ORIGINAL), first, "base"));
        EXPECT_TRUE(imagesEqual(image(s.imgWork), workPicture, "work"));
        const std::string why = "cannot read " + std::filesystem::path(path).filename().string();
        EXPECT_EQ(gui.statusText(WIN_MAIN, 0).rfind(why + ": ", 0), 0u)
            << "the status bar says why: " << gui.statusText(WIN_MAIN, 0);
    }
    EXPECT_EQ(requesters.unexpected, 0);
}

TEST_F(LoadTest, AFailedFirstLoadStillLeavesTheNextLoadWithoutUndo) {
    loadFile(pathOf("missing.png"));
    EXPECT_TRUE(s.firstLoad);
    loadFile(writePicture("first.png", first));
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_FALSE(s.firstLoad);
}

using RevertTest = LoadTest;

TEST_F(RevertTest, RestoresTheLoadedImageAndUndoReturnsTheEdit) {
    loadFile(writePicture("first.png", first));
    run(menuEvent(MENU_NEGATIVE));
    ASSERT_TRUE(imagesEqual(inView(), negated(first)));

    run(menuEvent(MENU_REVERT));
    EXPECT_TRUE(imagesEqual(inView(), first, "reverted"));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);

    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), negated(first), "undone"));
}

TEST_F(RevertTest, WithoutALoadRestoresTheStartPattern) {
    const Image pattern = image(IMG_ORIGINAL);
    run(menuEvent(MENU_NEGATIVE));
    run(menuEvent(MENU_REVERT));
    EXPECT_TRUE(imagesEqual(inView(), pattern));
    EXPECT_EQ(inView().depth(), 32);
}

TEST_F(RevertTest, DoesNothingRightAfterTheFirstLoad) {
    loadFile(writePicture("first.png", first));
    const ImageNumber reference = s.imgReference;
    run(menuEvent(MENU_REVERT));
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_EQ(s.imgReference, reference);
    EXPECT_FALSE(gui.isEnabled(GAD_UNDO));
}

TEST_F(RevertTest, ARedoStepIsEnoughToRevert) {
    loadFile(writePicture("first.png", first));
    run(menuEvent(MENU_NEGATIVE));
    run(menuEvent(MENU_UNDO));
    ASSERT_EQ(s.undoFlags, REDO_REFERENCE);
    run(menuEvent(MENU_REVERT));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE) << "the revert took the place of the redo step";
    EXPECT_TRUE(imagesEqual(inView(), first));
}

TEST_F(RevertTest, ActsOnTheReferenceFromTheWorkViewAndShowsIt) {
    loadFile(writePicture("first.png", first));
    loadFile(writePicture("second.png", second));
    run(menuEvent(MENU_NEGATIVE));
    s.images.put(s.imgWork, workPicture);
    run(controlEvent(GAD_VIEW_WORK));

    run(menuEvent(MENU_REVERT));
    EXPECT_EQ(s.imageInView, s.imgReference);
    EXPECT_TRUE(gui.isChecked(GAD_VIEW_REFERENCE));
    EXPECT_TRUE(imagesEqual(inView(), second)) << "the last loaded image";
    EXPECT_TRUE(imagesEqual(image(s.imgWork), workPicture));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
}

}  // namespace
}  // namespace vd::test
