// The whole road of a typical piece of work, done as a person does it: real keys and clicks
// on the real windows, the requesters answered by script. Load a photo, quantize it with
// dithered Popularity, recolour one palette entry, undo and redo that, and save the result.

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "io/image_codec.h"
#include "quantize/color_index.h"
#include "quantize/count_colors.h"
#include "quantize/neuquant.h"
#include "quantize/quantize.h"
#include "tests/canvas/main_window_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

const std::string kPhotoName = "kodim05";
const std::string kKeepQuestion = "question: : Do you wish to keep this color?";

class PhotoRoad : public MainWindowTest {
  protected:
    std::filesystem::path photo = testdataDir() / "photos" / (kPhotoName + ".png");
    std::filesystem::path folder;

    void SetUp() override {
        MainWindowTest::SetUp();
        folder = scratchDir("photo_road");
    }

    bool wasAsked(const std::string& question) const {
        return std::find(requesters.asked.begin(), requesters.asked.end(), question) !=
               requesters.asked.end();
    }

    // Ctrl+L, the photo chosen in the open requester.
    void loadPhoto() {
        requesters.files.push_back({photo.string(), 0});
        pressKey(gui, 'L', gui::MOD_CTRL);
        runLoop();
    }

    // "Popularity" in the method list, "Dither" ticked, "Apply".
    void quantizeWithDitheredPopularity() {
        chooseRow(gui, GAD_METHOD, static_cast<int>(QuantizeMethod::Popularity));
        runLoop();
        if (!gui.isChecked(GAD_DITHER)) clickControl(gui, GAD_DITHER);
        clickControl(gui, GAD_APPLY);
        runLoop();
    }

    // The top-left swatch of the palette window: its colour and a point inside it.
    Color firstSwatchColor() const { return image(IMG_PALETTE).at(2, 2) & kRgbMask; }

    // A left click on the first swatch; the colour requester answers `chosen` and the
    // question whether to keep it is answered `keep`.
    void recolourFirstSwatch(Color chosen, bool keep) {
        requesters.colors.push_back(chosen);
        requesters.answers.push_back(keep);
        clickControlAt(gui, GAD_PALETTE, {2, 2});
        runLoop();
    }

    // What the engine alone makes of the photo, on tables of its own.
    static QuantizeResult engineResult(const Image& reference, int limit) {
        ColorIndex index;
        auto area = std::make_unique<NeuQuantWorkArea>();
        QuantizeContext context{&index, area.get()};
        return quantizeImage(reference, {QuantizeMethod::Popularity, limit, true}, context);
    }
};

// A colour the image does not have, so the recoloured pixels can be told apart.
Color unusedColor(const Image& picture) {
    std::set<Color> present;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            present.insert(picture.at(x, y) & kRgbMask);
    Color candidate = makeColor(1, 254, 3);
    while (present.count(candidate))
        candidate += 0x010000;
    return candidate;
}

// Every pixel that had `from` in `before` has `to`; every other pixel is as it was.
testing::AssertionResult onlyColourReplaced(const Image& after, const Image& before, Color from,
                                            Color to) {
    if (after.width() != before.width() || after.height() != before.height())
        return testing::AssertionFailure() << "the size changed";
    int replaced = 0;
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            const Color was = before.at(x, y) & kRgbMask;
            const Color expected = was == from ? to : was;
            if ((after.at(x, y) & kRgbMask) != expected)
                return testing::AssertionFailure() << "pixel (" << x << ", " << y << ")";
            replaced += was == from;
        }
    }
    if (replaced == 0) return testing::AssertionFailure() << "no pixel had the old colour";
    return testing::AssertionSuccess();
}

TEST_F(PhotoRoad, LoadQuantizeRecolourUndoAndSave) {
    // Load: the photo becomes the reference and is shown.
    loadPhoto();
    EXPECT_TRUE(wasAsked("open: Select image to process"));
    Result<DecodedImage> decoded = readImageFile(photo.string());
    ASSERT_TRUE(decoded);
    const Image& reference = decoded.value().image;
    ASSERT_TRUE(imagesEqual(image(s.imgReference), reference, "reference"));
    EXPECT_EQ(s.imageInView, s.imgReference);

    // Quantize: the work image is what the engine makes of the photo, and the palette window
    // counts its colours.
    quantizeWithDitheredPopularity();
    const QuantizeResult expected = engineResult(reference, gui.value(GAD_LIMIT));
    ASSERT_TRUE(imagesEqual(image(s.imgWork), expected.work, "work"));
    EXPECT_EQ(s.imageInView, s.imgWork);
    const std::uint64_t colours = countColors(image(s.imgWork));
    ASSERT_LE(colours, 288u);
    ASSERT_TRUE(gui.windowExists(WIN_PALETTE));
    EXPECT_TRUE(gui.isVisible(WIN_PALETTE));
    EXPECT_EQ(gui.title(WIN_PALETTE), std::to_string(colours) + " Palette");
    EXPECT_EQ(s.currentPalette.size(), colours);

    // Recolour one swatch and keep it: only that colour changes, the palette follows, and the
    // change is one undo step.
    const Image quantized = image(s.imgWork);
    const Color old = firstSwatchColor();
    const Color chosen = unusedColor(quantized);
    const std::size_t entry =
        static_cast<std::size_t>(std::find(s.currentPalette.begin(), s.currentPalette.end(), old) -
                                 s.currentPalette.begin());
    ASSERT_LT(entry, s.currentPalette.size());
    recolourFirstSwatch(chosen, true);
    EXPECT_TRUE(wasAsked("color"));
    EXPECT_TRUE(wasAsked(kKeepQuestion));
    EXPECT_TRUE(onlyColourReplaced(image(s.imgWork), quantized, old, chosen));
    EXPECT_EQ(s.currentPalette[entry], chosen);
    const Image recoloured = image(s.imgWork);

    clickControl(gui, GAD_UNDO);
    runLoop();
    EXPECT_TRUE(imagesEqual(image(s.imgWork), quantized, "undone"));
    clickControl(gui, GAD_REDO);
    runLoop();
    EXPECT_TRUE(imagesEqual(image(s.imgWork), recoloured, "redone"));

    // Save with Ctrl+S under the name offered, PNG filter: the file holds the work image.
    const std::string offered = kPhotoName + "_vd" + std::to_string(countColors(image(s.imgWork)));
    requesters.files.push_back({(folder / offered).string(), 0});
    pressKey(gui, 'S', gui::MOD_CTRL);
    runLoop();
    EXPECT_TRUE(wasAsked("save: Save image"));
    EXPECT_EQ(requesters.lastDefaultName, offered);
    Result<DecodedImage> saved = readImageFile((folder / (offered + ".png")).string());
    ASSERT_TRUE(saved) << saved.error();
    EXPECT_TRUE(imagesEqual(saved.value().image, recoloured, "saved"));
    EXPECT_EQ(requesters.unexpected, 0);
}

TEST_F(PhotoRoad, ARecolourAnsweredNoLeavesEverythingAsItWas) {
    loadPhoto();
    quantizeWithDitheredPopularity();
    const Image quantized = image(s.imgWork);
    const Palette palette = s.currentPalette;
    const std::string title = gui.title(WIN_PALETTE);
    const int undoFlags = s.undoFlags;

    recolourFirstSwatch(unusedColor(quantized), false);
    EXPECT_TRUE(wasAsked(kKeepQuestion));
    EXPECT_TRUE(imagesEqual(image(s.imgWork), quantized, "declined"));
    EXPECT_EQ(s.currentPalette, palette);
    EXPECT_EQ(gui.title(WIN_PALETTE), title);
    EXPECT_EQ(s.undoFlags, undoFlags);
    EXPECT_EQ(requesters.unexpected, 0);
}

// "Histogram | RGB Average = (r, g, b)" of a rectangle of `picture`, bounds inclusive.
std::string averageTitle(const Image& picture, int left, int top, int right, int bottom) {
    std::uint64_t red = 0, green = 0, blue = 0, pixels = 0;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const Color c = picture.at(x, y);
            red += redOf(c);
            green += greenOf(c);
            blue += blueOf(c);
            ++pixels;
        }
    }
    return "Histogram | RGB Average = (" + std::to_string(red / pixels) + ", " +
           std::to_string(green / pixels) + ", " + std::to_string(blue / pixels) + ")";
}

TEST_F(PhotoRoad, ASelectionShowsItsOwnColoursAndHistogramUntilAClickEndsIt) {
    loadPhoto();
    quantizeWithDitheredPopularity();
    const Image& work = image(s.imgWork);
    const Palette wholePalette = s.currentPalette;
    const std::string wholePaletteTitle = gui.title(WIN_PALETTE);
    clickControl(gui, GAD_HISTOGRAM);
    runLoop();
    ASSERT_TRUE(gui.windowExists(WIN_HISTOGRAM));
    const std::string wholeAverage = averageTitle(work, 0, 0, work.width() - 1, work.height() - 1);
    EXPECT_EQ(gui.title(WIN_HISTOGRAM), wholeAverage);

    drag({300, 200}, {305, 203});
    const SelectionRecord sel = s.Selection;
    ASSERT_EQ(sel.active, 1);
    Image selected(sel.right - sel.left + 1, sel.bottom - sel.top + 1, 24);
    for (int y = sel.top; y <= sel.bottom; ++y)
        for (int x = sel.left; x <= sel.right; ++x)
            selected.at(x - sel.left, y - sel.top) = work.at(x, y);
    EXPECT_EQ(gui.title(WIN_PALETTE), std::to_string(countColors(selected)) + " Palette");
    EXPECT_LT(countColors(selected), wholePalette.size());
    EXPECT_EQ(s.currentPalette, wholePalette);
    EXPECT_EQ(gui.title(WIN_HISTOGRAM),
              averageTitle(work, sel.left, sel.top, sel.right, sel.bottom));

    click({100, 100});
    EXPECT_EQ(s.Selection.active, 0);
    EXPECT_EQ(gui.title(WIN_PALETTE), wholePaletteTitle);
    EXPECT_EQ(gui.title(WIN_HISTOGRAM), wholeAverage);
}

}  // namespace
}  // namespace vd::test
