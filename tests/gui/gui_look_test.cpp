// How a window with a few controls really looks offscreen: colours where they belong, and a
// PNG in the build folder (test-scratch/gui_look-<pid>/controls.png) for a person to look at.

#include "io/file_io.h"
#include "io/image_codec.h"
#include "tests/gui/gui_fixture.h"
#include "tests/support/test_util.h"

namespace vd::gui::test {
namespace {

constexpr Color kSkyBlue = 0xEBCE87u;  // red 135, green 206, blue 235

TEST_F(GuiTest, ControlsRenderOnTheWindowBackground) {
    openMain({360, 260});
    gui().setBackground(kMain, kSkyBlue);
    gui().createStatusBar(kMain, 2);
    ASSERT_TRUE(gui().setControlFont("Arial", 10));
    gui().addCheckBox(kMain, controlNumber(7), {10, 200, 110, 26}, "Histogram");
    gui().addGroupFrame(kMain, controlNumber(100), {5, 40, 115, 155}, "Quantize");
    gui().addDropDown(kMain, controlNumber(10), {10, 60, 105, 30});
    gui().addDropDownRow(controlNumber(10), "Uniform", 3);
    gui().addCheckBox(kMain, controlNumber(4), {10, 130, 105, 26}, "Dither");
    gui().addPushButton(kMain, controlNumber(19), {20, 160, 85, 30}, "Apply");
    gui().addTextLabel(kMain, controlNumber(101), {70, 100, 35, 25}, "Limit", kSkyBlue);
    gui().addSpinBox(kMain, controlNumber(1), {10, 100, 55, 25}, 2, 16, 3);
    gui().setText(controlNumber(1), "27");
    gui().addImageButton(kMain, controlNumber(9), {15, 5, 44, 29}, Image(38, 23, 32, 0x5F5F5Fu),
                         "Undo");
    gui().addScrollArea(kMain, controlNumber(5), {125, 5, 230, 200}, 10, {200, 150});
    gui().addCanvas(controlNumber(5), controlNumber(2), {200, 150});
    Image& canvas = gui().canvasPixels(controlNumber(2));
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            canvas.at(x, y) = makeColor(x, y, 128, 255);
    gui().drawText(canvas, {10, 10}, " RIGHT MOUSE CLICK FOR MENU ", {"Arial", 10}, 0xFFFFFFu, 0u,
                   DrawMode::Default);
    gui().canvasUpdated(controlNumber(2));
    gui().setStatusText(kMain, 0, "  |  (200 x 150)");
    drainWindowEvents();

    const Image shot = gui().grabWindow(kMain);
    const auto png = encodePng(shot);
    ASSERT_TRUE(png.ok());
    const auto path = vd::test::scratchDir("gui_look") / "controls.png";
    EXPECT_TRUE(writeFileAtomically(path.string(), png.value()).ok());

    ASSERT_EQ(shot.width(), 360);
    ASSERT_EQ(shot.height(), 260);
    // Window background left of the frame, in the label, and behind the check box's text.
    EXPECT_EQ(shot.at(2, 100) & kRgbMask, kSkyBlue);
    EXPECT_EQ(shot.at(103, 121) & kRgbMask, kSkyBlue);
    // The canvas shows its pixels at the scroll area's origin.
    const Rect inner = gui().innerRect(kMain);
    const Point origin = gui().controlScreenPosition(controlNumber(2));
    EXPECT_EQ(shot.at(origin.x - inner.x + 150, origin.y - inner.y + 100) & kRgbMask,
              makeColor(150, 100, 128));
    // The status bar keeps the system colour, not the window's.
    EXPECT_NE(shot.at(300, 255) & kRgbMask, kSkyBlue);
}

}  // namespace
}  // namespace vd::gui::test
