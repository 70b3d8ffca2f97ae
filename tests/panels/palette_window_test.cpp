#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <set>
#include <vector>

#include "quantize/census_set.h"
#include "platform/gui/qt_access.h"
#include "tests/panels/palette_fixture.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

constexpr Color kTeal = 0x996633;

std::set<Color> asSet(const Palette& colors) {
    return {colors.begin(), colors.end()};
}

// The distinct colours met in row order, up to and including the 289th.
Palette firstDistinctColors(const Image& picture) {
    Palette met;
    std::set<Color> seen;
    for (Color c : picture.pixels()) {
        if (!seen.insert(c & kRgbMask).second) continue;
        met.push_back(c & kRgbMask);
        if (met.size() == 289) break;
    }
    return met;
}

Image imageOfColors(int width, int height, const Palette& colors) {
    return imageFromPixels(width, height, colors);
}

Palette censusOf(const Image& picture) {
    CensusSet set;
    takeCensus(picture, set);
    return set.colors();
}

// ---- The census set

TEST(CensusSet, HoldsEachColourOnceWithoutItsAlpha) {
    const Color a = 0x102030, b = 0x405060;
    // Alternating, so a repeat is not always the pixel before; alpha differs per pixel.
    const Image picture = imageFromPixels(
        3, 2, {a | 0x80000000u, b, a | 0xFF000000u, b | 0x01000000u, a, b | 0xFF000000u}, 32);
    const Palette census = censusOf(picture);
    ASSERT_EQ(census.size(), 2u);
    EXPECT_EQ(asSet(census), (std::set<Color>{a, b}));
}

TEST(CensusSet, AfterClearingItCountsEveryColourAgain) {
    const Color a = 0x000001, b = 0x000002, c = 0x000003;
    CensusSet set;
    takeCensus(imageFromPixels(2, 1, {a, b}), set);
    set.clear();
    EXPECT_TRUE(set.empty());
    EXPECT_FALSE(set.contains(a));
    takeCensus(imageFromPixels(2, 1, {a, c}), set);
    EXPECT_EQ(asSet(set.colors()), (std::set<Color>{a, c}));
}

TEST(CensusSet, StopsAtThe289thColourMetInRowOrder) {
    // Colours repeat irregularly, so the 289th new one turns up deep inside the picture.
    Image picture(40, 40, 24);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            picture.at(x, y) = nthColor((x * 7 + y * y * 3) % 601) | kAlphaMask;
    const Palette expected = firstDistinctColors(picture);
    ASSERT_EQ(expected.size(), 289u);

    const Palette census = censusOf(picture);
    EXPECT_EQ(census.size(), 289u);
    EXPECT_EQ(asSet(census), asSet(expected));
}

TEST(CensusSet, OrderIsTheSetsOwnNeitherSortedNorAsMet) {
    // 60 colours met in a shuffled order, each twice.
    Palette met = firstColors(60);
    for (std::size_t i = 0; i < met.size(); ++i)
        std::swap(met[i], met[(i * 37 + 11) % met.size()]);
    Palette pixels = met;
    pixels.insert(pixels.end(), met.rbegin(), met.rend());
    const Palette census = censusOf(imageOfColors(60, 2, pixels));

    ASSERT_EQ(census.size(), 60u);
    EXPECT_EQ(asSet(census), asSet(met));
    EXPECT_FALSE(std::is_sorted(census.begin(), census.end()));
    EXPECT_NE(census, met);
    EXPECT_EQ(censusOf(imageOfColors(60, 2, pixels)), census) << "the same picture, another order";
}

// ---- The window's picture

TEST_F(PaletteTest, OneColourFillsTheTopHalfAndTheTextureTheRest) {
    showWork(Image(5, 4, 24, kTeal));
    refreshPalette(s);

    EXPECT_EQ(paletteTitle(), "1 Palette");
    EXPECT_EQ(s.currentPalette, Palette{kTeal});
    const Image& picture = palettePicture();
    ASSERT_EQ(picture.width(), 112);
    ASSERT_EQ(picture.height(), 224);
    EXPECT_EQ(picture.depth(), 24);
    EXPECT_EQ(picture.at(111, 111) & kRgbMask, kTeal);
    EXPECT_EQ(picture.at(0, 112) & kRgbMask, 0xF0F0F0u);    // 0 ^ 112 = 112, | 192 = 240
    EXPECT_EQ(picture.at(5, 200) & kRgbMask, 0xCDCDCDu);    // 5 ^ 200 = 205
    EXPECT_EQ(picture.at(111, 223) & kRgbMask, 0xF0F0F0u);  // 111 ^ 223 = 176, | 192 = 240
    EXPECT_TRUE(imagesEqual(picture, expectedPalettePicture({kTeal}, 1, 112), "one colour"));

    EXPECT_EQ(gui.controlRect(GAD_PALETTE), (gui::Rect{0, 0, 112, 224}));
    // The window is 110 x 220: the picture's last columns and rows lie outside it.
    const Image shown = gui.grabWindow(WIN_PALETTE);
    EXPECT_EQ(shown.at(50, 50) & kRgbMask, kTeal);
    EXPECT_EQ(shown.at(109, 219) & kRgbMask, 0xF6F6F6u);  // 109 ^ 219 = 182, | 192 = 246
}

TEST_F(PaletteTest, NineColoursMakeThreeColumnsOf37Pixels) {
    const Palette colors = firstColors(9);
    showPalette(s, colors);

    EXPECT_EQ(paletteTitle(), "9 Palette");
    const Image& picture = palettePicture();
    ASSERT_EQ(picture.width(), 111);
    ASSERT_EQ(picture.height(), 222);
    EXPECT_EQ(picture.at(36, 36) & kRgbMask, colors[0]);
    EXPECT_EQ(picture.at(37, 0) & kRgbMask, colors[1]);
    EXPECT_EQ(picture.at(74, 36) & kRgbMask, colors[2]);
    EXPECT_EQ(picture.at(0, 37) & kRgbMask, colors[3]);
    EXPECT_EQ(picture.at(110, 110) & kRgbMask, colors[8]);
    EXPECT_EQ(picture.at(0, 111) & kRgbMask, 0xEFEFEFu);    // 0 ^ 111 = 111, | 192 = 239
    EXPECT_EQ(picture.at(110, 221) & kRgbMask, 0xF3F3F3u);  // 110 ^ 221 = 179, | 192 = 243
    EXPECT_TRUE(imagesEqual(picture, expectedPalettePicture(colors, 3, 37), "nine colours"));
    EXPECT_EQ(gui.controlRect(GAD_PALETTE), (gui::Rect{0, 0, 111, 222}));
}

TEST_F(PaletteTest, GridSizeChangesAtEveryStepOfTheTable) {
    struct Row {
        int count, columns, swatch, width;
    };
    const Row rows[] = {
        {1, 1, 112, 112},   {2, 1, 112, 112},   {3, 2, 56, 112},    {8, 2, 56, 112},
        {9, 3, 37, 111},    {18, 3, 37, 111},   {19, 4, 28, 112},   {32, 4, 28, 112},
        {33, 5, 22, 110},   {50, 5, 22, 110},   {51, 6, 18, 108},   {72, 6, 18, 108},
        {73, 7, 16, 112},   {98, 7, 16, 112},   {99, 8, 14, 112},   {128, 8, 14, 112},
        {129, 9, 12, 108},  {162, 9, 12, 108},  {163, 10, 11, 110}, {200, 10, 11, 110},
        {201, 11, 10, 110}, {242, 11, 10, 110}, {243, 12, 9, 108},  {288, 12, 9, 108},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.count);
        const Palette colors = firstColors(row.count);
        showPalette(s, colors);
        EXPECT_EQ(paletteTitle(), std::to_string(row.count) + " Palette");
        ASSERT_EQ(palettePicture().width(), row.width);
        ASSERT_EQ(palettePicture().height(), 2 * row.width);
        EXPECT_TRUE(imagesEqual(palettePicture(),
                                expectedPalettePicture(colors, row.columns, row.swatch),
                                "palette of " + std::to_string(row.count)));
        EXPECT_EQ(gui.controlRect(GAD_PALETTE), (gui::Rect{0, 0, row.width, 2 * row.width}));
    }
    EXPECT_EQ(gui.innerRect(WIN_PALETTE).width, 110);
    EXPECT_EQ(gui.innerRect(WIN_PALETTE).height, 220);
}

TEST_F(PaletteTest, CensusOf288ColoursFillsTheGridAndOneMoreIsOver) {
    const Palette colors288 = firstColors(288);
    showWork(imageOfColors(24, 12, colors288));
    refreshPalette(s);
    EXPECT_EQ(paletteTitle(), "288 Palette");
    EXPECT_EQ(asSet(s.censusColors), asSet(colors288));
    EXPECT_EQ(s.currentPalette, s.censusColors);
    EXPECT_TRUE(imagesEqual(palettePicture(), expectedPalettePicture(s.censusColors, 12, 9),
                            "288 colours"));

    const Palette colors289 = firstColors(289);
    showWork(imageOfColors(17, 17, colors289));
    refreshPalette(s);
    EXPECT_EQ(paletteTitle(), "over!");
    ASSERT_EQ(s.censusColors.size(), 289u);
    EXPECT_EQ(asSet(s.censusColors), asSet(colors289));
    EXPECT_EQ(s.currentPalette, s.censusColors);
    EXPECT_TRUE(imagesEqual(palettePicture(), expectedPalettePicture(s.censusColors, 12, 9),
                            "first 288 of 289"));
    const Color left = s.censusColors[288] | kAlphaMask;
    EXPECT_EQ(std::count(palettePicture().pixels().begin(), palettePicture().pixels().end(), left),
              0);
}

TEST_F(PaletteTest, AQuantizersPaletteOf300ShowsItsFirst288) {
    const Palette before = s.currentPalette;
    const Palette colors = firstColors(300);
    showPalette(s, colors);
    EXPECT_EQ(paletteTitle(), "over!");
    EXPECT_TRUE(imagesEqual(palettePicture(), expectedPalettePicture(colors, 12, 9), "300"));
    EXPECT_EQ(s.currentPalette, before);
}

TEST_F(PaletteTest, SelectionCensusCoversOnlyTheRectangleAndKeepsTheCurrentPalette) {
    const Color a = 0x111111, b = 0x222222, c = 0x333333, outside = 0x444444;
    // Columns 2..3 and rows 1..2 are selected; a colour sits at each inside corner and one
    // just beyond each edge.
    const Image picture = imageFromPixels(6, 5,
                                          {
                                              a, a,       outside, a, a,       a,  //
                                              a, outside, b,       a, outside, a,  //
                                              a, a,       a,       c, a,       a,  //
                                              a, a,       outside, a, a,       a,  //
                                              a, a,       a,       a, a,       a,  //
                                          });
    showWork(picture);
    s.currentPalette = {0x010101, 0x020202};
    s.Selection.left = 2;
    s.Selection.right = 3;
    s.Selection.top = 1;
    s.Selection.bottom = 2;
    s.Selection.active = 1;

    refreshPalette(s);
    EXPECT_EQ(paletteTitle(), "3 Palette");
    EXPECT_EQ(asSet(s.censusColors), (std::set<Color>{a, b, c}));
    EXPECT_EQ(s.currentPalette, (Palette{0x010101, 0x020202}));
    EXPECT_EQ(image(IMG_SELECTION).width(), 2);
    EXPECT_EQ(image(IMG_SELECTION).height(), 2);
}

TEST_F(PaletteTest, NothingToShowOpensNoWindow) {
    showPalette(s, Palette{});
    EXPECT_FALSE(gui.windowExists(WIN_PALETTE));

    const Palette before = s.currentPalette;
    s.images.free(s.imgWork);
    refreshPalette(s);
    EXPECT_FALSE(gui.windowExists(WIN_PALETTE));
    EXPECT_EQ(s.currentPalette, before);
}

// ---- The window on screen

TEST_F(PaletteTest, OpensBelowTheViewButtonsAndFollowsTheMainWindow) {
    gui.moveWindow(WIN_MAIN, {200, 100});
    showWork(Image(4, 4, 24, kTeal));
    refreshPalette(s);

    gui::Rect inner = gui.innerRect(WIN_MAIN);
    EXPECT_EQ(gui.outerPosition(WIN_PALETTE), (gui::Point{inner.x + 4, inner.y + 330 + 40}));
    EXPECT_EQ(gui.innerRect(WIN_PALETTE).width, 110);
    EXPECT_EQ(gui.innerRect(WIN_PALETTE).height, 220);
    QWidget* palette = gui::windowWidget(gui, WIN_PALETTE);
    EXPECT_EQ(palette->parentWidget(), gui::windowWidget(gui, WIN_MAIN)) << "owned by the main";
    EXPECT_EQ(palette->windowFlags() & Qt::WindowType_Mask, Qt::Tool);

    gui.moveWindow(WIN_MAIN, {320, 160});
    run(windowEvent(gui::EventKind::Move, WIN_MAIN));
    inner = gui.innerRect(WIN_MAIN);
    EXPECT_EQ(gui.outerPosition(WIN_PALETTE), (gui::Point{inner.x + 4, inner.y + 370}));

    // Only opening places it: a later palette leaves it where the user put it.
    gui.moveWindow(WIN_PALETTE, {10, 10});
    refreshPalette(s);
    EXPECT_EQ(gui.outerPosition(WIN_PALETTE), (gui::Point{10, 10}));
}

TEST_F(PaletteTest, MainWindowKeepsTheKeyboardWhenThePaletteOpens) {
    showWork(Image(4, 4, 24, kTeal));
    ASSERT_EQ(QApplication::activeWindow(), gui::windowWidget(gui, WIN_MAIN));
    refreshPalette(s);
    ASSERT_TRUE(gui.isVisible(WIN_PALETTE));
    EXPECT_EQ(QApplication::activeWindow(), gui::windowWidget(gui, WIN_MAIN));

    pressKey(gui, 'Z', gui::MOD_CTRL);
    bool undoAsked = false;
    for (gui::Event e = gui.waitEvent(0); e.kind != gui::EventKind::Timeout; e = gui.waitEvent(0))
        undoAsked = undoAsked || (e.kind == gui::EventKind::Menu && e.menuItem == MENU_UNDO);
    EXPECT_TRUE(undoAsked) << "Ctrl+Z reached the main window's shortcuts";
}

TEST_F(PaletteTest, HiddenWindowComesBackOnlyWhileTheWorkImageIsInView) {
    showWork(Image(4, 4, 24, kTeal));
    refreshPalette(s);
    run(windowEvent(gui::EventKind::Close, WIN_PALETTE));
    ASSERT_TRUE(gui.windowExists(WIN_PALETTE));
    ASSERT_FALSE(gui.isVisible(WIN_PALETTE));

    s.imageInView = s.imgReference;
    showPalette(s, firstColors(5));
    EXPECT_FALSE(gui.isVisible(WIN_PALETTE));
    EXPECT_EQ(paletteTitle(), "5 Palette") << "brought up to date while hidden";

    s.imageInView = s.imgWork;
    refreshPalette(s);
    EXPECT_TRUE(gui.isVisible(WIN_PALETTE));
    EXPECT_EQ(paletteTitle(), "1 Palette");
    EXPECT_EQ(QApplication::activeWindow(), gui::windowWidget(gui, WIN_MAIN));
}

}  // namespace
}  // namespace vd::test
