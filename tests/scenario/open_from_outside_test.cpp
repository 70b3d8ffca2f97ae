// Pictures from outside the editor: a file named on the command line or dropped on the main
// window takes the road of the open requester, picture data dropped by another program that
// of "paste new image", each with its undo step and its refusals.

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "adjust/geometry.h"
#include "io/image_codec.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

std::string photoPath(const std::string& name) {
    return (testdataDir() / "photos" / (name + ".png")).string();
}

// A file whose first bytes say PNG and whose rest is not.
std::string damagedPng() {
    const std::filesystem::path path = scratchDir("open_from_outside") / "damaged.png";
    std::ofstream(path, std::ios::binary) << "\x89PNG\r\n\x1a\n not a picture";
    return path.string();
}

class CommandLine : public ScriptedGuiTest {
  protected:
    std::string status;
    Image canvas;

    // Starts the editor with these files after its name, looks once it is idle, and quits.
    void start(const std::vector<std::string>& files) {
        clock.schedule(1000, [&] {
            status = gui.statusText(WIN_MAIN, 0);
            canvas = gui.canvasPixels(GAD_CANVAS);
            gui.postEvent(menuEvent(MENU_QUIT));
        });
        requesters.answers.push_back(true);
        EXPECT_EQ(startUp(gui, files), 0);
    }
};

TEST_F(CommandLine, TheFirstFileIsLoaded) {
    start({photoPath("kodim05"), photoPath("kodim01")});
    EXPECT_EQ(status, "kodim05.png  |  (768 x 512)");
    Image photo = readImageFile(photoPath("kodim05")).value().image;
    photo.setDepth(24);
    EXPECT_TRUE(imagesEqual(cropImage(canvas, 0, 0, 768, 512), photo));
}

TEST_F(CommandLine, AFileThatCannotBeReadSaysWhyAndTheStartPatternStays) {
    start({});
    const Image startPattern = canvas;
    start({damagedPng()});
    EXPECT_EQ(status.rfind("cannot read damaged.png: ", 0), 0u) << status;
    EXPECT_TRUE(imagesEqual(canvas, startPattern, "start pattern"));
}

class Drops : public AppWindowTest {
  protected:
    // Dropped on the Limit box, whose edit field would take text: the window takes the drop.
    bool drop(const DragContent& content) {
        const bool taken = dragAndDrop(gui, GAD_LIMIT, {10, 10}, content);
        runLoop();
        return taken;
    }
};

TEST_F(Drops, APictureFileIsLoadedAndPictureDataPastedEachWithAnUndoStep) {
    requesters.files.push_back({photoPath("kodim01"), 0});
    run(menuEvent(MENU_LOAD_IMAGE));
    const Image first = inView();

    EXPECT_TRUE(drop({.files = {photoPath("kodim05")}}));
    EXPECT_EQ(s.loadedPath, photoPath("kodim05"));
    EXPECT_EQ(gui.text(GAD_LIMIT), "27");
    const Image loaded = inView();
    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), first, "the load undone"));
    run(menuEvent(MENU_REDO));

    Image picture = patternImage(50, 40, 32);
    EXPECT_TRUE(drop({.dataType = "image/png", .data = encodePng(picture).value()}));
    picture.setDepth(24);
    EXPECT_TRUE(imagesEqual(inView(), picture, "PNG data, opaque"));
    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), loaded, "the paste undone"));
}

struct RefusedDrop {
    std::string name;
    DragContent content;
};

void PrintTo(const RefusedDrop& drop, std::ostream* os) { *os << drop.name; }

class RefusedDrops : public Drops, public testing::WithParamInterface<RefusedDrop> {};

TEST_P(RefusedDrops, DoNothing) {
    const Image before = inView();
    drop(GetParam().content);
    EXPECT_TRUE(imagesEqual(inView(), before, "unchanged"));
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_EQ(gui.text(GAD_LIMIT), "27");
}

INSTANTIATE_TEST_SUITE_P(
    Drops, RefusedDrops,
    testing::Values(RefusedDrop{"TwoPictureFiles", {.files = {photoPath("kodim05"),
                                                              photoPath("kodim01")}}},
                    RefusedDrop{"AFileThatIsNoPicture", {.files = {VD_SOURCE_DIR "/README.md"}}},
                    RefusedDrop{"Text", {.text = photoPath("kodim05")}}),
    [](const auto& info) { return info.param.name; });

TEST_F(Drops, WhileADialogIsOpenADropIsDroppedWithTheOtherEvents) {
    clock.schedule(10, [&] {
        dragAndDrop(gui, GAD_CANVAS, {10, 10}, {.files = {photoPath("kodim05")}});
    });
    clock.schedule(20, [&] { pressCloseBox(gui, WIN_NEW_IMAGE); });
    run(menuEvent(MENU_NEW_IMAGE));
    runLoop();
    EXPECT_TRUE(s.loadedPath.empty());
}

}  // namespace
}  // namespace vd::test
