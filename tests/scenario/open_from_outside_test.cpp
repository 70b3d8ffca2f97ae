// Pictures that come from outside the editor: a file named on the command line, a file
// dropped on the main window, picture data dropped by another program. Each takes the road
// of the open requester or of "paste new image", with its undo step and its refusals.

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "io/image_codec.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

std::filesystem::path photoPath(const std::string& name) {
    return testdataDir() / "photos" / (name + ".png");
}

Image photo(const std::string& name) {
    return readImageFile(photoPath(name).string()).value().image;
}

// A file whose first bytes say PNG and whose rest is not.
std::string damagedPng(const std::filesystem::path& folder) {
    const std::filesystem::path path = folder / "damaged.png";
    std::ofstream(path, std::ios::binary) << "\x89PNG\r\n\x1a\n not a picture";
    return path.string();
}

// The canvas shows `expected` unscaled at its origin.
testing::AssertionResult canvasShows(const Image& canvas, Image expected) {
    if (canvas.width() < expected.width() || canvas.height() < expected.height())
        return testing::AssertionFailure() << "canvas smaller than the picture";
    expected.setDepth(24);
    Image shown(expected.width(), expected.height(), 24);
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            shown.at(x, y) = canvas.at(x, y) | kAlphaMask;
    return imagesEqual(shown, expected, "canvas");
}

// ---- The command line

class CommandLine : public ScriptedGuiTest {
  protected:
    struct Seen {
        std::string status;
        Image canvas;
    };

    // Starts the editor with these files after the program's name, looks at it once it has
    // nothing left to do, and quits.
    Seen start(const std::vector<std::string>& files) {
        Seen seen;
        clock.schedule(1000, [&] {
            seen.status = gui.statusText(WIN_MAIN, 0);
            seen.canvas = gui.canvasPixels(GAD_CANVAS);
            gui.postEvent(menuEvent(MENU_QUIT));
        });
        requesters.answers.push_back(true);
        EXPECT_EQ(startUp(gui, files), 0);
        EXPECT_EQ(requesters.asked, std::vector<std::string>{kQuitQuestion});
        requesters.asked.clear();
        return seen;
    }
};

TEST_F(CommandLine, TheFirstFileIsLoaded) {
    const Seen seen = start({photoPath("kodim05").string(), photoPath("kodim01").string()});
    EXPECT_EQ(seen.status, "kodim05.png  |  (768 x 512)");
    EXPECT_TRUE(canvasShows(seen.canvas, photo("kodim05")));
}

TEST_F(CommandLine, AFileThatCannotBeReadSaysWhyAndTheStartPatternStays) {
    const Seen plain = start({});
    const Seen refused = start({damagedPng(scratchDir("command_line"))});
    const std::string prefix = "cannot read damaged.png: ";
    EXPECT_EQ(refused.status.substr(0, prefix.size()), prefix);
    EXPECT_GT(refused.status.size(), prefix.size()) << "the reason is missing";
    EXPECT_TRUE(imagesEqual(refused.canvas, plain.canvas, "start pattern"));
}

// ---- Drops

class Drops : public AppWindowTest {
  protected:
    std::filesystem::path folder;

    void SetUp() override {
        AppWindowTest::SetUp();
        folder = scratchDir("drops");
    }

    // Dropped on a point of a control of the main window; true when the window took it.
    bool drop(const DragContent& content, ControlNumber on = GAD_CANVAS) {
        const bool taken = dragAndDrop(gui, on, {10, 10}, content);
        runLoop();
        return taken;
    }

    // A first photo through the open requester, then the Work view with an edit in it.
    void loadAndEdit() {
        requesters.files.push_back({photoPath("kodim01").string(), 0});
        run(menuEvent(MENU_LOAD_IMAGE));
        run(controlEvent(GAD_VIEW_WORK));
        run(menuEvent(MENU_NEGATIVE));
    }
};

TEST_F(Drops, OnePictureFileIsLoadedAsTheOpenRequestersFileWithAnUndoStep) {
    loadAndEdit();
    const Image first = image(s.imgReference);
    const Image work = image(s.imgWork);

    EXPECT_TRUE(drop({.files = {photoPath("kodim05").string()}}));

    EXPECT_EQ(s.imageInView, s.imgReference) << "a load shows the Reference view";
    EXPECT_TRUE(imagesEqual(inView(), photo("kodim05"), "reference"));
    EXPECT_TRUE(imagesEqual(image(s.imgWork), work, "work, untouched"));
    EXPECT_EQ(s.loadedPath, photoPath("kodim05").string());
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0), "kodim05.png  |  (768 x 512)");
    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), first, "undone"));
}

TEST_F(Drops, AFieldUnderThePointerTakesNoTextTheWindowLoadsTheFile) {
    EXPECT_TRUE(drop({.files = {photoPath("kodim05").string()}, .text = "99"}, GAD_LIMIT));
    EXPECT_EQ(gui.text(GAD_LIMIT), "27");
    EXPECT_TRUE(imagesEqual(inView(), photo("kodim05"), "reference"));
}

TEST_F(Drops, APictureFileThatCannotBeReadSaysWhy) {
    loadAndEdit();
    const Image work = inView();
    EXPECT_TRUE(drop({.files = {damagedPng(folder)}}));
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0).rfind("cannot read damaged.png: ", 0), 0u);
    EXPECT_TRUE(imagesEqual(inView(), work, "unchanged"));
    EXPECT_EQ(s.loadedPath, photoPath("kodim01").string());
}

// Picture data replaces the image in view as "paste new image" does, opaque, with an undo
// step of that view.
TEST_F(Drops, PictureDataReplacesTheImageInViewAsPasteNewImageDoes) {
    loadAndEdit();
    const Image edited = inView();
    const Image picture = patternImage(50, 40, 32);
    Image opaque = picture;
    opaque.setDepth(24);

    EXPECT_TRUE(drop({.dataType = "image/png", .data = encodePng(picture).value()}));
    EXPECT_EQ(s.imageInView, s.imgWork);
    EXPECT_TRUE(imagesEqual(inView(), opaque, "PNG data"));
    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), edited, "undone"));

    Image image = patternImage(20, 30, 32);
    EXPECT_TRUE(drop({.image = image}));
    image.setDepth(24);
    EXPECT_TRUE(imagesEqual(inView(), image, "an image"));
}

struct RefusedDrop {
    std::string name;
    DragContent content;
};

void PrintTo(const RefusedDrop& drop, std::ostream* os) { *os << drop.name; }

std::vector<RefusedDrop> refusedDrops() {
    const std::filesystem::path folder = scratchDir("refused_drops");
    const std::string text = (folder / "notes.png").string();
    std::ofstream(text) << "a text file with a picture's name";
    const std::string picture = photoPath("kodim05").string();
    return {
        {"TextFile", {.files = {text}}},
        {"TwoPictureFiles", {.files = {picture, photoPath("kodim01").string()}}},
        {"Folder", {.files = {folder.string()}}},
        {"Text", {.text = picture}},
        {"DamagedPngData", {.dataType = "image/png", .data = {0x89, 'P', 'N', 'G'}}},
    };
}

class RefusedDrops : public Drops, public testing::WithParamInterface<RefusedDrop> {};

TEST_P(RefusedDrops, DoNothing) {
    const Image before = inView();
    const std::string status = gui.statusText(WIN_MAIN, 0);
    drop(GetParam().content);
    EXPECT_TRUE(imagesEqual(inView(), before, "unchanged"));
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0), status);
}

INSTANTIATE_TEST_SUITE_P(Drops, RefusedDrops, testing::ValuesIn(refusedDrops()),
                         [](const auto& info) { return info.param.name; });

TEST_F(Drops, ADropWhileADialogIsOpenIsDroppedWithTheOtherEvents) {
    const Image before = inView();
    clock.schedule(10, [&] {
        dragAndDrop(gui, GAD_CANVAS, {10, 10}, {.files = {photoPath("kodim05").string()}});
    });
    clock.schedule(20, [&] { pressCloseBox(gui, WIN_NEW_IMAGE); });
    run(menuEvent(MENU_NEW_IMAGE));
    EXPECT_TRUE(imagesEqual(inView(), before, "unchanged"));
    EXPECT_TRUE(s.loadedPath.empty());
}

}  // namespace
}  // namespace vd::test
