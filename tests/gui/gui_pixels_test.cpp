// What the canvas shows, the clipboard, and text drawn onto images.

#include "platform/image/draw.h"
#include "tests/gui/gui_fixture.h"
#include "tests/support/test_util.h"

namespace vd::gui::test {
namespace {

constexpr int kScroll = 5, kCanvas = 2;

TEST_F(GuiTest, CanvasShowsItsPixelsIgnoringAlpha) {
    openMain({400, 300});
    gui().addScrollArea(kMain, controlNumber(kScroll), {125, 5, 250, 200}, 10, {64, 48});
    gui().addCanvas(controlNumber(kScroll), controlNumber(kCanvas), {64, 48});
    Image& pixels = gui().canvasPixels(controlNumber(kCanvas));
    ASSERT_EQ(pixels.width(), 64);
    EXPECT_EQ(pixels.at(5, 5) & kRgbMask, 0u);  // a new canvas is black
    const Image pattern = vd::test::patternImage(64, 48);
    std::copy(pattern.pixels().begin(), pattern.pixels().end(), pixels.pixels().begin());
    pixels.at(3, 4) = makeColor(10, 200, 30, 0);  // alpha 0 still shows its colour
    gui().canvasUpdated(controlNumber(kCanvas));

    const Image shot = gui().grabWindow(kMain);
    const Point canvas = gui().controlScreenPosition(controlNumber(kCanvas));
    const Rect inner = gui().innerRect(kMain);
    const int ox = canvas.x - inner.x, oy = canvas.y - inner.y;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(shot.at(ox + x, oy + y) & kRgbMask, pixels.at(x, y) & kRgbMask)
                << "at " << x << ", " << y;
}

TEST_F(GuiTest, ResizedCanvasKeepsWhatFits) {
    openMain();
    gui().addScrollArea(kMain, controlNumber(kScroll), {125, 5, 250, 200}, 10);
    gui().addCanvas(controlNumber(kScroll), controlNumber(kCanvas), {20, 10});
    gui().canvasPixels(controlNumber(kCanvas)).at(19, 9) = 0xFF123456u;
    gui().canvasPixels(controlNumber(kCanvas)).at(2, 3) = 0xFF654321u;
    gui().setCanvasSize(controlNumber(kCanvas), {10, 30});
    const Image& pixels = gui().canvasPixels(controlNumber(kCanvas));
    EXPECT_EQ(pixels.width(), 10);
    EXPECT_EQ(pixels.height(), 30);
    EXPECT_EQ(pixels.at(2, 3), 0xFF654321u);
    EXPECT_EQ(pixels.at(5, 20) & kRgbMask, 0u);
    EXPECT_EQ(gui().controlRect(controlNumber(kCanvas)), (Rect{0, 0, 10, 30}));
}

TEST_F(GuiTest, ClipboardImageRoundTrips) {
    Image rgba = vd::test::patternImage(7, 5, 32);
    rgba.at(1, 1) = makeColor(1, 2, 3, 0);
    rgba.at(2, 1) = makeColor(200, 100, 50, 128);
    gui().setClipboardImage(rgba);
    const auto back32 = gui().clipboardImage(32);
    ASSERT_TRUE(back32);
    EXPECT_TRUE(vd::test::imagesEqual(*back32, rgba, "clipboard32"));
    // Read at 24 bits the same picture comes back opaque.
    const auto back24 = gui().clipboardImage(24);
    ASSERT_TRUE(back24);
    EXPECT_EQ(back24->depth(), 24);
    EXPECT_EQ(back24->at(1, 1), makeColor(1, 2, 3, 255));
    EXPECT_EQ(back24->at(4, 3), rgba.at(4, 3) | kAlphaMask);

    const Image rgb = vd::test::patternImage(3, 9, 24);
    gui().setClipboardImage(rgb);
    const auto opaque = gui().clipboardImage(32);
    ASSERT_TRUE(opaque);
    EXPECT_TRUE(vd::test::imagesEqual(*opaque, [&] {
        Image expected = rgb;
        expected.setDepth(32);
        return expected;
    }()));

    gui().setClipboardText("16777215");
    EXPECT_EQ(gui().clipboardText(), "16777215");
    EXPECT_FALSE(gui().clipboardImage(32));
}

// ---- Text

int differingPixels(const Image& a, const Image& b) {
    int count = 0;
    for (std::size_t i = 0; i < a.pixelCount(); ++i)
        count += a.pixels()[i] != b.pixels()[i];
    return count;
}

TEST_F(GuiTest, TextSizeGrowsWithTheTextAndTheFont) {
    const FontChoice small{"Arial", 10};
    const FontChoice large{"Arial", 20};
    const Size one = gui().textSize("A1g", small);
    EXPECT_GT(one.width, 10);
    EXPECT_GE(one.height, 13);  // 10 points at 96 dpi are 13 pixels of em
    EXPECT_GT(gui().textSize("A1g A1g", small).width, one.width);
    EXPECT_GT(gui().textSize("A1g", large).height, one.height);
}

TEST_F(GuiTest, DrawTextInDefaultModeKeepsAlpha) {
    const Image before(120, 30, 32, makeColor(255, 255, 255, 77));
    Image image = before;
    ASSERT_TRUE(gui().drawText(image, {2, 2}, "Hello", {"Arial", 12}, makeColor(0, 0, 0),
                               std::nullopt, DrawMode::Default));
    EXPECT_GT(differingPixels(image, before), 20);
    for (const Color c : image.pixels())
        ASSERT_EQ(alphaOf(c), 77);
    // Nothing is drawn outside the text's box.
    const Size box = gui().textSize("Hello", {"Arial", 12});
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (x < 2 || y < 2 || x >= 2 + box.width || y >= 2 + box.height) {
                ASSERT_EQ(image.at(x, y), before.at(x, y)) << x << ", " << y;
            }
}

TEST_F(GuiTest, XorTextTwiceRestoresTheImage) {
    const Image before = vd::test::patternImage(150, 40, 32);
    Image image = before;
    const FontChoice font{"Arial", 14, FontStyle::Bold};
    gui().drawText(image, {-3, 5}, "RIGHT CLICK", font, 0xFFFFFFu, 0x00FF00u, DrawMode::Xor);
    EXPECT_GT(differingPixels(image, before), 100);
    gui().drawText(image, {-3, 5}, "RIGHT CLICK", font, 0xFFFFFFu, 0x00FF00u, DrawMode::Xor);
    EXPECT_TRUE(vd::test::imagesEqual(image, before, "xor_text"));
}

TEST_F(GuiTest, BlendedTextMakesATransparentImageOpaqueWhereItIs) {
    Image image(80, 30, 32, 0);  // fully transparent
    ASSERT_TRUE(gui().drawText(image, {0, 0}, "Mg", {"Arial", 16}, makeColor(200, 0, 0, 255),
                               std::nullopt, DrawMode::AlphaBlend));
    int solid = 0, clear = 0;
    for (const Color c : image.pixels()) {
        if (alphaOf(c) == 255) {
            ++solid;
            EXPECT_EQ(c & kRgbMask, makeColor(200, 0, 0));
        }
        clear += alphaOf(c) == 0;
    }
    EXPECT_GT(solid, 20);
    EXPECT_GT(clear, 200);
}

TEST_F(GuiTest, BackgroundFillsTheTextBoxAndOutsideIsClipped) {
    Image image(40, 20, 24, 0xFFFFFFu);
    ASSERT_TRUE(gui().drawText(image, {30, 10}, "W", {"Arial", 10}, 0, makeColor(0, 0, 255),
                               DrawMode::Default));
    // The part of the box inside the image is blue or glyph; the rest is untouched.
    EXPECT_EQ(image.at(29, 10), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(30, 9), 0xFFFFFFFFu);
    int blue = 0;
    for (int y = 10; y < 20; ++y)
        for (int x = 30; x < 40; ++x)
            blue += image.at(x, y) == makeColor(0, 0, 255, 255);
    EXPECT_GT(blue, 30);
    EXPECT_FALSE(
        gui().drawText(image, {50, 50}, "W", {"Arial", 10}, 0, std::nullopt, DrawMode::Default));
}

}  // namespace
}  // namespace vd::gui::test
