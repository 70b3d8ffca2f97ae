// The floating section driven through the real loop: where it starts, how it follows the
// pointer and turns, and what placing, Esc and the main window's close button leave behind.

#include <QCursor>
#include <set>
#include <QWidget>

#include "adjust/geometry.h"
#include "platform/gui/qt_access.h"
#include "tests/canvas/main_window_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

class FloatingSectionTest : public MainWindowTest {
  protected:
    Image picture = patternImage(40, 30);

    void SetUp() override {
        MainWindowTest::SetUp();
        show(picture);
    }

    // Runs `action` `ms` after the paste, while the section floats.
    void whileFloating(std::int64_t ms, std::function<void()> action) { clock.schedule(ms, action); }
    void paste() { run(menuEvent(MENU_PASTE_FLOATING)); }

    void movePointerTo(int x, int y) {
        gui::Event moved = controlEvent(GAD_CANVAS, gui::CANVAS_POINTER_MOVED);
        moved.x = x;
        moved.y = y;
        gui.postEvent(moved);
    }
    void pressEsc() {
        gui::Event key = controlEvent(GAD_CANVAS, gui::CANVAS_KEY_DOWN);
        key.keyCode = gui::KEY_ESCAPE;
        gui.postEvent(key);
    }
    void release() { gui.postCustomEvent(EVT_CANVAS_LEFT_UP); }

    Qt::CursorShape canvasCursor() const {
        return gui::widgetOf(gui, GAD_CANVAS)->cursor().shape();
    }

    // The picture with `section` blended over it at (x, y), as the canvas should show it.
    static Image with(Image base, const Image& section, int x, int y) {
        DrawTarget(base).drawImageBlended(section, x, y);
        return base;
    }
    Image canvasNow() { return cropImage(gui.canvasPixels(GAD_CANVAS), 0, 0, 40, 30); }
};

TEST_F(FloatingSectionTest, StartsCentredFollowsThePointerInsideThePictureAndIsPlaced) {
    const Image section(10, 6, 24, 0x0000FF);
    gui.setClipboardImage(section);
    bool centred = false, clamped = false;
    Qt::CursorShape floatingCursor = Qt::ArrowCursor;
    whileFloating(10, [&] {
        centred = imagesEqual(canvasNow(), with(picture, section, 15, 12), "centred");
        floatingCursor = canvasCursor();
        gui.postEvent(menuEvent(MENU_NEGATIVE));  // ignored while floating
        movePointerTo(37, 28);                    // near the bottom-right corner
    });
    whileFloating(20, [&] {
        clamped = imagesEqual(canvasNow(), with(picture, section, 30, 24), "clamped");
        release();
    });
    paste();
    EXPECT_TRUE(centred);
    EXPECT_TRUE(clamped) << "the old place is repainted from the picture";
    EXPECT_EQ(floatingCursor, Qt::PointingHandCursor);
    EXPECT_EQ(canvasCursor(), Qt::CrossCursor);
    EXPECT_TRUE(imagesEqual(inView(), with(picture, section, 30, 24), "placed"));
    EXPECT_FALSE(s.images.exists(IMG_SCRATCH));
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), picture, "one undo"));
}

TEST_F(FloatingSectionTest, TurnsKeepTheCentreWhileMirrorAndFlipTurnTheSectionItself) {
    picture = patternImage(400, 300);
    show(picture);
    const Image section = patternImage(100, 40, 32);
    gui.setClipboardImage(section);
    const Image right = rotateQuarter(section, true);
    Image mirrored = right;
    mirror(mirrored);
    bool turned = false, thenMirrored = false;
    auto canvasShows = [&](const Image& part, int x, int y) {
        return imagesEqual(cropImage(gui.canvasPixels(GAD_CANVAS), 0, 0, 400, 300),
                           with(picture, part, x, y), "turned");
    };
    whileFloating(10, [&] { gui.postEvent(menuEvent(MENU_RIGHT_KEY)); });
    whileFloating(20, [&] {
        // 100 x 40 centred at (200, 150) becomes 40 x 100 around the same centre.
        turned = canvasShows(right, 180, 100);
        gui.postEvent(menuEvent(MENU_UP_KEY));
    });
    whileFloating(30, [&] {
        thenMirrored = canvasShows(mirrored, 180, 100);
        pressEsc();
    });
    paste();
    EXPECT_TRUE(turned);
    EXPECT_TRUE(thenMirrored);
    EXPECT_TRUE(imagesEqual(inView(), picture, "dropped"));
    EXPECT_TRUE(canvasShows(Image(), 0, 0)) << "the picture again, without the section";
    EXPECT_EQ(s.undoFlags, 0);
}

TEST_F(FloatingSectionTest, ALargerPictureIsCutAndStartsAtTheOriginAndTransparencyShowsThrough) {
    run(controlEvent(GAD_VIEW_WORK));
    show(picture);
    Image large(50, 50, 32, 0xFF00FF00);  // opaque green
    for (int y = 0; y < 50; ++y) large.at(0, y) = 0x00FFFFFF;  // a transparent first column
    gui.setClipboardImage(large);
    whileFloating(10, [&] { release(); });
    paste();
    Image expected = picture;
    DrawTarget(expected).drawImageBlended(cropImage(large, 0, 0, 40, 30), 0, 0);
    EXPECT_TRUE(imagesEqual(inView(), expected, "cut to 40 x 30 at the origin"));
    EXPECT_EQ(inView().at(0, 5), picture.at(0, 5)) << "transparent pixels keep the picture";
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
    const std::set<Color> palette(s.currentPalette.begin(), s.currentPalette.end());
    EXPECT_TRUE(palette.contains(0x00FF00)) << "the palette is recounted";
}

TEST_F(FloatingSectionTest, TheMainWindowsCloseButtonDropsTheSectionAndAsksToQuit) {
    gui.setClipboardImage(Image(8, 8, 24, 0xFFFFFF));
    whileFloating(10, [&] { gui.postEvent(windowEvent(gui::EventKind::Close, WIN_MAIN)); });
    const std::int64_t start = clock.nowMs();
    paste();  // the loop asks at once, and the fixture answers Yes
    EXPECT_LT(clock.nowMs() - start, kIdleQuitMs);
    EXPECT_TRUE(imagesEqual(inView(), picture, "dropped"));
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_TRUE(requesters.asked.empty());
}

TEST_F(FloatingSectionTest, NothingHappensWithoutAPictureOnTheClipboard) {
    gui.setClipboardText("not a picture");
    paste();
    EXPECT_TRUE(imagesEqual(inView(), picture, "unchanged"));
    EXPECT_EQ(canvasCursor(), Qt::CrossCursor);
}

}  // namespace
}  // namespace vd::test
