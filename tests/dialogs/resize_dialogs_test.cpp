// Resize image and resize canvas driven through their real widgets: the layout, the aspect
// coupling of the size fields, the clamps of OK, the nine cells and the background colour.

#include <climits>
#include <optional>
#include <string>

#include "adjust/resize_ops.h"
#include "dialogs/dialog.h"
#include "tests/dialogs/dialog_fixture.h"

namespace vd::test {
namespace {

constexpr gui::Rect kWidthField{10, 10, 60, 25}, kHeightField{10, 40, 60, 25};
constexpr gui::Rect kWidthLabel{75, 15, 50, 25}, kHeightLabel{75, 40, 50, 25};
constexpr gui::Rect kImageAspect{10, 70, 145, 25}, kCanvasAspect{10, 70, 125, 25};
constexpr gui::Rect kImageOk{95, 100, 60, 25}, kImageCancel{10, 100, 60, 25};
constexpr gui::Rect kCanvasOk{170, 130, 60, 25}, kCanvasCancel{100, 130, 60, 25};
constexpr gui::Rect kPositionLabel{150, 5, 90, 30}, kBackgroundLabel{10, 145, 90, 30};
constexpr gui::Rect kSwatch{10, 100, 70, 40};

// Cell 1..9 of the position grid, in the dialog's own coordinates.
gui::Rect cellPlace(int cell) {
    return {150 + 5 + 25 * ((cell - 1) % 3), 28 + 5 + 25 * ((cell - 1) / 3), 20, 20};
}

class ResizeDialogTest : public DialogTest {
  protected:
    void type(gui::Rect field, const std::string& text) { typeText(gui, added(field), text); }
    // The program writes the text and reports it as typed: an emptied field.
    void empty(WindowNumber w, gui::Rect field) {
        const ControlNumber c = added(field);
        gui.setText(c, "");
        gui::Event edited = controlEvent(c, gui::TEXT_EDITED);
        edited.window = w;
        gui.postEvent(edited);
    }
    std::string fields() const { return textAt(kWidthField) + "x" + textAt(kHeightField); }
};

TEST(FieldNumber, ReadsDecimalDigitsAndSaturates) {
    EXPECT_EQ(fieldNumber(""), 0);
    EXPECT_EQ(fieldNumber("0042"), 42);
    EXPECT_EQ(fieldNumber("12ab"), 12);
    EXPECT_EQ(fieldNumber("2147483647"), INT_MAX);
    EXPECT_EQ(fieldNumber("99999999999999999999999999"), INT_MAX);
}

TEST_F(ResizeDialogTest, ResizeImageLaysOutTheFrameAndCouplesTheFields) {
    show(patternImage(200, 100));
    std::string title, labels, start, afterWidth, afterHeight, uncoupled;
    gui::Size inner;
    bool keepTicked = false;
    at(10, WIN_RESIZE_IMAGE, [&] {
        title = gui.title(WIN_RESIZE_IMAGE);
        inner = innerSize(WIN_RESIZE_IMAGE);
        for (gui::Rect place : {kWidthLabel, kHeightLabel, kImageAspect, kImageOk, kImageCancel})
            labels += textAt(place) + "|";
        keepTicked = gui.isChecked(added(kImageAspect));
        start = fields();
        type(kWidthField, "301");
    });
    at(20, WIN_RESIZE_IMAGE, [&] {
        afterWidth = fields();  // 150.5 rounds to the even 150
        type(kHeightField, "75");
    });
    at(30, WIN_RESIZE_IMAGE, [&] {
        afterHeight = fields();
        click(kImageAspect);
        type(kWidthField, "33");
    });
    at(40, WIN_RESIZE_IMAGE, [&] {
        uncoupled = fields();
        click(kImageCancel);
    });
    open(MENU_RESIZE_IMAGE);
    EXPECT_EQ(title, "resize image");
    EXPECT_EQ(inner, (gui::Size{165, 130}));
    EXPECT_EQ(labels, "width|Height|keep aspect ratio|OK|Cancel|");
    EXPECT_TRUE(keepTicked);
    EXPECT_EQ(start, "200x100");
    EXPECT_EQ(afterWidth, "301x150");
    EXPECT_EQ(afterHeight, "150x75");
    EXPECT_EQ(uncoupled, "33x75");
    EXPECT_EQ(inView().width(), 200) << "Cancel changes nothing";
    EXPECT_EQ(s.undoFlags, 0);
}

TEST_F(ResizeDialogTest, ResizeImageOkClampsResamplesAndLeavesThePalette) {
    run(controlEvent(GAD_VIEW_WORK));
    const Image picture = patternImage(50, 40, 32);
    show(picture);
    const Palette palette = s.currentPalette;
    at(10, WIN_RESIZE_IMAGE, [&] { click(kImageAspect); });
    at(20, WIN_RESIZE_IMAGE, [&] {
        type(kWidthField, "99999");
        empty(WIN_RESIZE_IMAGE, kHeightField);
    });
    at(30, WIN_RESIZE_IMAGE, [&] { click(kImageOk); });
    open(MENU_RESIZE_IMAGE);
    EXPECT_FALSE(gui.windowExists(WIN_RESIZE_IMAGE));
    EXPECT_TRUE(imagesEqual(inView(), resizeImage(picture, 4096, 16), "4096 x 16"));
    EXPECT_EQ(inView().depth(), 32);
    EXPECT_EQ(gui.canvasPixels(GAD_CANVAS).width(), 4096) << "redrawn";
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
    EXPECT_EQ(s.currentPalette, palette);
    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), picture, "undone"));
}

TEST_F(ResizeDialogTest, ResizeCanvasLaysOutTheGridAndPlacesThePicture) {
    const Image picture = patternImage(100, 100);
    show(picture);
    constexpr Color kGreen = 0x00FF00;
    requesters.colors = {kGreen};
    std::string title, labels;
    gui::Size inner;
    bool onlyCentre = true;
    at(10, WIN_RESIZE_CANVAS, [&] {
        title = gui.title(WIN_RESIZE_CANVAS);
        inner = innerSize(WIN_RESIZE_CANVAS);
        for (gui::Rect place : {kWidthLabel, kHeightLabel, kCanvasAspect, kCanvasOk,
                                kCanvasCancel, kPositionLabel, kBackgroundLabel})
            labels += textAt(place) + "|";
        for (int cell = 1; cell <= 9; ++cell)
            onlyCentre = onlyCentre && gui.isChecked(added(cellPlace(cell))) == (cell == 5);
        click(kCanvasAspect);
        type(kWidthField, "201");
        click(kSwatch);
    });
    at(20, WIN_RESIZE_CANVAS, [&] { click(kCanvasOk); });
    open(MENU_RESIZE_CANVAS);
    EXPECT_EQ(title, "resize canvas");
    EXPECT_EQ(inner, (gui::Size{240, 165}));
    EXPECT_EQ(labels, "width|Height|keep aspect ratio|OK|Cancel|position|background|");
    EXPECT_TRUE(onlyCentre);
    EXPECT_EQ(s.CanvasBackgroundColor, kGreen);
    EXPECT_TRUE(imagesEqual(inView(), resizeCanvas(picture, 201, 100, 5, kGreen), "cell 5"));
    EXPECT_EQ(inView().at(49, 0), kGreen | kAlphaMask);
    EXPECT_EQ(inView().at(50, 0), picture.at(0, 0));
    EXPECT_EQ(inView().depth(), 32);
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);
}

TEST_F(ResizeDialogTest, ResizeCanvasCellNineKeepsTheColourAfterCancelAndNeverShrinks) {
    const Image picture = patternImage(100, 100);
    show(picture);
    constexpr Color kPurple = 0x800080;
    requesters.colors = {kPurple};
    at(10, WIN_RESIZE_CANVAS, [&] {
        click(kSwatch);
        click(kCanvasCancel);
    });
    open(MENU_RESIZE_CANVAS);
    EXPECT_EQ(s.CanvasBackgroundColor, kPurple) << "kept after Cancel";
    EXPECT_TRUE(imagesEqual(inView(), picture, "after Cancel"));

    at(10, WIN_RESIZE_CANVAS, [&] {
        click(kCanvasAspect);
        type(kWidthField, "201");
        type(kHeightField, "7");  // below the picture: its own height is kept
        click(cellPlace(9));
    });
    at(20, WIN_RESIZE_CANVAS, [&] { click(kCanvasOk); });
    open(MENU_RESIZE_CANVAS);
    ASSERT_EQ(inView().width(), 201);
    ASSERT_EQ(inView().height(), 100);
    EXPECT_EQ(inView().at(101, 0), picture.at(0, 0));
    EXPECT_EQ(inView().at(100, 99), kPurple | kAlphaMask);
}

}  // namespace
}  // namespace vd::test
