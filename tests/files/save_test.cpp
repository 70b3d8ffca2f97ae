#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "files/file_names.h"
#include "tests/files/files_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSaveAsked = "save: Save image";
constexpr const char* kOverwriteAsked = "question: File Exists!: Do you wish to overwrite?";

// A smooth picture, which JPEG keeps close.
Image gradient(int width, int height) {
    Image picture(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.at(x, y) = makeColor(x * 4, y * 4, 128 + (x + y), 255);
    return picture;
}

class SaveTest : public FilesTest {
  protected:
    std::vector<std::string> questionsAsked() const { return requesters.asked; }
};

TEST_F(SaveTest, OffersTheCountOfTheImageInViewAsTheDefaultName) {
    show(imageFromPixels(2, 2, {0x000000, 0xFFFFFF, 0x000000, 0x000000}));
    saveFile("", SAVE_FILTER_PNG);
    EXPECT_EQ(questionsAsked(), std::vector<std::string>{kSaveAsked});
    EXPECT_EQ(requesters.lastDefaultName, "_vd2") << "no file loaded yet";
    EXPECT_EQ(requesters.lastFilters, "image *.png|*.png|image *.jpg|*.jpg|image *.bmp|*.bmp");
    EXPECT_TRUE(fs::is_empty(dir)) << "cancelled: nothing written";

    const Image threeColours = imageFromPixels(3, 1, {0x0000FF, 0x00FF00, 0xFF0000});
    requesters.files.push_back({writePicture("flower.png", threeColours), 0});
    run(menuEvent(MENU_LOAD_IMAGE));
    saveFile("", SAVE_FILTER_PNG);
    EXPECT_EQ(requesters.lastDefaultName, "flower_vd3");
}

TEST_F(SaveTest, WritesTheImageInViewInTheFormatOfTheFilter) {
    struct Case {
        const char* typed;
        int filter;
        const char* written;
        ImageFormat format;
        int depth;
    };
    const Case cases[] = {
        {"plain", SAVE_FILTER_PNG, "plain.png", ImageFormat::Png, 24},
        {"alpha", SAVE_FILTER_PNG, "alpha.png", ImageFormat::Png, 32},
        {"typed.png", SAVE_FILTER_BMP, "typed.bmp", ImageFormat::Bmp, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const Image picture = patternImage(9, 6, c.depth);
        show(picture);
        saveFile(pathOf(c.typed), c.filter);
        const Result<DecodedImage> back = readImageFile(pathOf(c.written));
        ASSERT_TRUE(back.ok()) << back.error();
        EXPECT_EQ(back.value().format, c.format);
        EXPECT_EQ(back.value().image.depth(), c.depth);
        EXPECT_TRUE(imagesEqual(back.value().image, picture, c.written));
    }
    EXPECT_FALSE(fs::exists(pathOf("typed.png"))) << "the typed extension gave way to the filter";
    EXPECT_EQ(questionsAsked(), std::vector<std::string>(3, kSaveAsked)) << "success is silent";
}

TEST_F(SaveTest, JpegKeepsTheImageClose) {
    const Image picture = gradient(40, 30);
    show(picture);
    saveFile(pathOf("smooth.bmp"), SAVE_FILTER_JPEG);
    const Result<DecodedImage> back = readImageFile(pathOf("smooth.jpg"));
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(back.value().format, ImageFormat::Jpeg);
    ASSERT_EQ(back.value().image.width(), 40);
    ASSERT_EQ(back.value().image.height(), 30);
    EXPECT_LE(largestChannelDifference(back.value().image, picture), 16);
}

TEST_F(SaveTest, WritesTheWorkImageFromTheWorkView) {
    s.images.put(s.imgWork, patternImage(4, 3));
    run(controlEvent(GAD_VIEW_WORK));
    saveFile(pathOf("work"), SAVE_FILTER_BMP);
    EXPECT_TRUE(imagesEqual(readBack(pathOf("work.bmp")), patternImage(4, 3)));
}

TEST_F(SaveTest, AnExistingFileIsReplacedOnlyAfterYes) {
    show(patternImage(5, 5));
    const std::string old = pathOf("old.png");
    writeText(old, "old content");

    requesters.answers.push_back(false);
    saveFile(pathOf("old.jpg"), SAVE_FILTER_PNG);
    EXPECT_EQ(questionsAsked(), (std::vector<std::string>{kSaveAsked, kOverwriteAsked}));
    ASSERT_FALSE(requesters.preselected.empty());
    EXPECT_EQ(requesters.preselected.front(), gui::YesNoDefault::No) << "a file is at stake";
    EXPECT_EQ(readText(old), "old content");

    requesters.answers.push_back(true);
    saveFile(pathOf("old"), SAVE_FILTER_PNG);
    EXPECT_TRUE(imagesEqual(readBack(old), patternImage(5, 5)));
    EXPECT_EQ(requesters.unexpected, 0);
}

TEST_F(SaveTest, AFolderInTheWayIsAskedAboutAndKept) {
    show(patternImage(5, 5));
    const std::string folder = pathOf("pictures.png");
    fs::create_directory(folder);
    writeText(folder + "/inside.txt", "keep me");

    requesters.answers.push_back(true);
    saveFile(pathOf("pictures"), SAVE_FILTER_PNG);
    ASSERT_EQ(questionsAsked().size(), 3u);
    EXPECT_EQ(questionsAsked()[1], kOverwriteAsked);
    EXPECT_EQ(questionsAsked()[2].rfind("error: Save image: Could not save " + folder + ": ", 0),
              0u)
        << questionsAsked()[2];
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(readText(folder + "/inside.txt"), "keep me");
}

TEST_F(SaveTest, AFailedWriteIsReportedWithThePathAndKeepsTheOldFile) {
    show(patternImage(5, 5));
    const std::string missing = pathOf("no-such-folder/out.bmp");
    saveFile(pathOf("no-such-folder/out"), SAVE_FILTER_BMP);
    ASSERT_EQ(questionsAsked().size(), 2u) << "nothing exists there: no question";
    EXPECT_EQ(questionsAsked()[1].rfind("error: Save image: Could not save " + missing + ": ", 0),
              0u)
        << questionsAsked()[1];
    EXPECT_FALSE(fs::exists(missing));

    // A name so long that the temporary file beside it cannot be made: the write fails even
    // for a user every permission lets through.
    requesters.asked.clear();
    const std::string longName = pathOf(std::string(246, 'n') + ".png");
    writeText(longName, "old content");
    requesters.answers.push_back(true);
    saveFile(longName, SAVE_FILTER_PNG);
    ASSERT_EQ(questionsAsked().size(), 3u);
    EXPECT_NE(questionsAsked()[2].find(longName), std::string::npos);
    EXPECT_EQ(readText(longName), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "no temporary file left behind";
}

}  // namespace
}  // namespace vd::test
