// What a big photo costs in the editor: pictures that are equal share one buffer (the loaded
// file, the reference, the canvas; an undo step and the image it was taken from), and a
// command on a big picture shows the busy cursor while it works.

#include <filesystem>
#include <string>
#include <vector>

#include "io/image_codec.h"
#include "quantize/quantize.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

// A picture with enough colours that every method has work to do.
Image gradient(int width, int height) {
    Image picture(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.at(x, y) = makeColor(x * 255 / width, y * 255 / height, (x ^ y) & 255);
    return picture;
}

class PictureMemory : public AppWindowTest {
  protected:
    std::string writePhoto(int width, int height) {
        const auto path = scratchDir("picture_memory") / "photo.png";
        EXPECT_TRUE(writeImageFile(gradient(width, height), path.string(), ImageFormat::Png).ok());
        return path.string();
    }

    void load(const std::string& path) {
        requesters.files.push_back({path, 0});
        run(menuEvent(MENU_LOAD_IMAGE));
    }

    void applyPopularity() {
        gui.selectRow(GAD_METHOD, static_cast<int>(QuantizeMethod::Popularity));
        run(controlEvent(GAD_METHOD));
        gui.setChecked(GAD_DITHER, true);
        run(controlEvent(GAD_APPLY));
    }

    // The distinct pixel buffers of the pictures the user's work lives in, canvas included.
    int distinctPictureBuffers() {
        std::vector<const Image*> pictures = {&gui.canvasPixels(GAD_CANVAS)};
        for (ImageNumber n : {s.imgReference, s.imgReferenceUndo, s.imgWork, s.imgWorkUndo,
                              IMG_ORIGINAL, IMG_SCRATCH}) {
            if (const Image* image = s.images.get(n)) pictures.push_back(image);
        }
        int distinct = 0;
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            bool seen = false;
            for (std::size_t j = 0; j < i; ++j)
                seen = seen || pictures[i]->sharesPixelsWith(*pictures[j]);
            distinct += !seen;
        }
        return distinct;
    }
};

TEST_F(PictureMemory, TheLoadedFileTheReferenceAndTheCanvasAreOnePicture) {
    load(writePhoto(64, 48));
    const Image& reference = *s.images.get(s.imgReference);
    ASSERT_EQ(reference.width(), 64);
    EXPECT_TRUE(reference.sharesPixelsWith(*s.images.get(IMG_ORIGINAL)));
    EXPECT_TRUE(reference.sharesPixelsWith(gui.canvasPixels(GAD_CANVAS)));
}

TEST_F(PictureMemory, LoadApplyAndAnEditInEachViewHoldFourPictures) {
    load(writePhoto(64, 48));
    applyPopularity();
    run(menuEvent(MENU_NEGATIVE));
    run(controlEvent(GAD_VIEW_REFERENCE));
    run(menuEvent(MENU_NEGATIVE));
    // The base image with the reference's undo step, the reference, the work image and its
    // undo step; the canvas shows the reference.
    EXPECT_EQ(distinctPictureBuffers(), 4);
    EXPECT_TRUE(s.images.get(s.imgReferenceUndo)->sharesPixelsWith(*s.images.get(IMG_ORIGINAL)));

    // And the steps still hold what they should: undo brings the loaded picture back.
    run(menuEvent(MENU_UNDO));
    EXPECT_EQ(*s.images.get(s.imgReference), *s.images.get(IMG_ORIGINAL));
}

TEST_F(PictureMemory, ACommandOnABigPictureShowsTheBusyCursorUntilItEnds) {
    s.images.put(s.imgReference, gradient(2000, 2000));
    run(controlEvent(GAD_VIEW_REFERENCE));
    const int before = gui.busyPeriods();
    run(menuEvent(MENU_NEGATIVE));
    EXPECT_EQ(gui.busyPeriods(), before + 1);
    EXPECT_FALSE(gui.isBusy());
    run(controlEvent(GAD_APPLY));
    EXPECT_EQ(gui.busyPeriods(), before + 2);
    EXPECT_FALSE(gui.isBusy());
}

TEST_F(PictureMemory, ACommandOnASmallPictureLeavesTheCursorAlone) {
    s.images.put(s.imgReference, gradient(1000, 1000));
    run(controlEvent(GAD_VIEW_REFERENCE));
    const int before = gui.busyPeriods();
    run(menuEvent(MENU_NEGATIVE));
    run(controlEvent(GAD_APPLY));
    EXPECT_EQ(gui.busyPeriods(), before);
}

}  // namespace
}  // namespace vd::test
