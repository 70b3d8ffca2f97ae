// Pictures on a window's own surface: between the background and the controls, kept through
// repaints, replaced by the next one.

#include "tests/gui/gui_fixture.h"

namespace vd::gui::test {
namespace {

constexpr Color kBackground = 0x203040u;
constexpr Color kLabelColor = 0x0000FFu;

// A picture whose every pixel tells where it is, so a shifted or clipped copy shows.
Image positionPicture(int width, int height) {
    Image picture(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.at(x, y) = makeColor(x * 7, y * 11, 200, 255);
    return picture;
}

class SurfaceTest : public GuiTest {
  protected:
    void SetUp() override {
        openMain({200, 120});
        gui().setBackground(kMain, kBackground);
        drainWindowEvents();
    }
    Color shownAt(int x, int y) { return gui().grabWindow(kMain).at(x, y) & kRgbMask; }
};

TEST_F(SurfaceTest, PictureLiesOverTheBackgroundAndUnderTheControls) {
    const Image picture = positionPicture(30, 20);
    gui().setSurfacePicture(kMain, {40, 50}, picture);
    // A label with its own background covers the picture's right half.
    gui().addTextLabel(kMain, controlNumber(101), {55, 45, 40, 40}, "", kLabelColor);

    const Image shot = gui().grabWindow(kMain);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 15; ++x)
            ASSERT_EQ(shot.at(40 + x, 50 + y) & kRgbMask, picture.at(x, y) & kRgbMask)
                << x << ", " << y;
    EXPECT_EQ(shot.at(60, 60) & kRgbMask, kLabelColor);
    // Just outside the picture on every side: the background.
    EXPECT_EQ(shot.at(39, 55) & kRgbMask, kBackground);
    EXPECT_EQ(shot.at(45, 49) & kRgbMask, kBackground);
    EXPECT_EQ(shot.at(45, 70) & kRgbMask, kBackground);
    EXPECT_EQ(shot.at(100, 60) & kRgbMask, kBackground);
}

TEST_F(SurfaceTest, PictureSurvivesRepaintsAndBackgroundChanges) {
    gui().setSurfacePicture(kMain, {0, 0}, Image(10, 10, 24, 0x00FF00u));
    // Every grab paints the window afresh, and so does a hide and show.
    EXPECT_EQ(shownAt(9, 9), 0x00FF00u);
    gui().hideWindow(kMain);
    gui().showWindowWithoutActivating(kMain);
    QApplication::processEvents();
    gui().setBackground(kMain, 0x112233u);
    EXPECT_EQ(shownAt(0, 0), 0x00FF00u);
    EXPECT_EQ(shownAt(10, 10), 0x112233u);
}

TEST_F(SurfaceTest, NextPictureReplacesTheLastAndAnEmptyOneRemovesIt) {
    gui().setSurfacePicture(kMain, {0, 0}, Image(20, 20, 24, 0x00FF00u));
    gui().setSurfacePicture(kMain, {100, 10}, Image(5, 5, 24, 0xFF00FFu));
    EXPECT_EQ(shownAt(5, 5), kBackground);
    EXPECT_EQ(shownAt(102, 12), 0xFF00FFu);
    gui().setSurfacePicture(kMain, {100, 10}, Image());
    EXPECT_EQ(shownAt(102, 12), kBackground);
}

TEST_F(SurfaceTest, PictureIsCutAtTheWindowEdgeAndIgnoresAlpha) {
    Image picture(50, 50, 32, makeColor(9, 8, 7, 0));
    gui().setSurfacePicture(kMain, {180, 100}, picture);
    const Image shot = gui().grabWindow(kMain);
    ASSERT_EQ(shot.width(), 200);
    EXPECT_EQ(shot.at(199, 119) & kRgbMask, makeColor(9, 8, 7));
    EXPECT_EQ(shot.at(179, 119) & kRgbMask, kBackground);
}

TEST_F(SurfaceTest, PictureBelongsToItsWindow) {
    ASSERT_TRUE(gui().openWindow(kTool, {300, 300, 60, 40}, "tool", WindowStyle::Tool, kMain));
    gui().setBackground(kTool, kBackground);
    gui().setSurfacePicture(kTool, {0, 0}, Image(60, 40, 24, 0x0000FFu));
    EXPECT_EQ(gui().grabWindow(kTool).at(30, 20) & kRgbMask, 0x0000FFu);
    EXPECT_EQ(shownAt(30, 20), kBackground);
    // Reopening the number starts without a picture.
    ASSERT_TRUE(gui().openWindow(kTool, {300, 300, 60, 40}, "tool", WindowStyle::Tool, kMain));
    gui().setBackground(kTool, kBackground);
    EXPECT_EQ(gui().grabWindow(kTool).at(30, 20) & kRgbMask, kBackground);
}

}  // namespace
}  // namespace vd::gui::test
