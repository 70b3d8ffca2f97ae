// Copy, paste and text as a person does them, with real keys and mouse on the real windows:
// select a rectangle of a photo, copy it, paste it back as a floating section, turn it, place
// it and undo; and write a text and place it.

#include <filesystem>
#include <optional>

#include "adjust/geometry.h"
#include "io/image_codec.h"
#include "platform/image/draw.h"
#include "tests/canvas/main_window_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

class ClipboardRoad : public MainWindowTest {
  protected:
    Image photo;

    void SetUp() override {
        MainWindowTest::SetUp();
        const std::filesystem::path path = testdataDir() / "photos" / "kodim05.png";
        requesters.files.push_back({path.string(), 0});
        pressKey(gui, 'L', gui::MOD_CTRL);
        runLoop();
        photo = inView();
        ASSERT_EQ(photo.width(), 768);
    }

    // Press, drag and release on the canvas, 100 ms apart on the test clock.
    void dragOnCanvas(gui::Point from, gui::Point to) {
        clock.schedule(100, [this, to] { dragMouse(gui, GAD_CANVAS, to); });
        clock.schedule(200, [this, to] { releaseMouse(gui, GAD_CANVAS, to); });
        pressMouse(gui, GAD_CANVAS, from);
        runLoop();
    }
};

TEST_F(ClipboardRoad, CopyASelectionPasteItTurnItPlaceItAndUndo) {
    dragOnCanvas({100, 80}, {219, 159});  // a 120 x 80 rectangle, corners included
    pressKey(gui, 'C', gui::MOD_CTRL);
    runLoop();
    const std::optional<Image> copied = gui.clipboardImage(24);
    ASSERT_TRUE(copied.has_value());
    const Image rectangle = cropImage(photo, 100, 80, 120, 80);
    EXPECT_TRUE(imagesEqual(*copied, rectangle, "copied"));
    EXPECT_EQ(s.Selection.active, 0) << "the copy ends the selection";

    // Turned right it is 80 x 120, and the pointer at (600, 450) puts its centre there.
    clock.schedule(10, [this] { pressKey(gui, gui::KEY_RIGHT); });
    clock.schedule(20, [this] { dragMouse(gui, GAD_CANVAS, {600, 450}); });
    clock.schedule(30, [this] {
        pressMouse(gui, GAD_CANVAS, {600, 450});
        releaseMouse(gui, GAD_CANVAS, {600, 450});
    });
    pressKey(gui, 'V', gui::MOD_CTRL);
    runLoop();
    Image expected = photo;
    Image turned = rotateQuarter(rectangle, true);
    turned.setDepth(32);
    DrawTarget(expected).drawImageBlended(turned, 560, 390);
    EXPECT_TRUE(imagesEqual(inView(), expected, "placed"));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);

    pressKey(gui, 'Z', gui::MOD_CTRL);
    runLoop();
    EXPECT_TRUE(imagesEqual(inView(), photo, "undone"));
}

TEST_F(ClipboardRoad, WriteATextAndPlaceIt) {
    clock.schedule(10, [this] {
        const auto ok = gui.controlAt(WIN_ADD_TEXT, {210, 275, 60, 30});
        ASSERT_TRUE(ok.has_value());
        clickControl(gui, *ok);
    });
    clock.schedule(20, [this] { dragMouse(gui, GAD_CANVAS, {10, 10}); });
    clock.schedule(30, [this] {
        pressMouse(gui, GAD_CANVAS, {10, 10});
        releaseMouse(gui, GAD_CANVAS, {10, 10});
    });
    pressKey(gui, 'T', gui::MOD_CTRL);
    runLoop();
    const std::optional<Image> text = gui.clipboardImage(24);
    ASSERT_TRUE(text.has_value());
    // The default text, black on white with a margin of 5, kept on the picture: centred on
    // the pointer at (10, 10) it would stick out at the top-left corner.
    Image expected = photo;
    Image opaque = *text;
    opaque.setDepth(32);
    DrawTarget(expected).drawImageBlended(opaque, 0, 0);
    EXPECT_TRUE(imagesEqual(inView(), expected, "text placed"));
    EXPECT_EQ(text->at(2, 2) & kRgbMask, 0xFFFFFFu) << "white margin";
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
}

}  // namespace
}  // namespace vd::test
