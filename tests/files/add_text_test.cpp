// Add text: the picture made of a text, and the dialog driven through its real widgets, up
// to the floating section that OK hands the picture to.

#include <gtest/gtest.h>

#include <QFont>
#include <QWidget>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "files/text_image.h"
#include "platform/gui/qt_access.h"
#include "tests/dialogs/dialog_fixture.h"

namespace vd::test {
namespace {

constexpr Color kSkyBlue = 0xEBCE87;

constexpr gui::Rect kNameLabel{10, 5, 120, 25}, kNameField{10, 30, 170, 25};
constexpr gui::Rect kSizeLabel{190, 5, 60, 25}, kSizeField{190, 30, 40, 25};
constexpr gui::Rect kStyleLabel{10, 70, 60, 25}, kStyleField{10, 95, 170, 25};
constexpr gui::Rect kColorsFrame{185, 65, 85, 60};
constexpr gui::Rect kFrontSwatch{195, 85, 25, 25}, kBackSwatch{230, 85, 25, 25};
constexpr gui::Rect kTransparentBox{10, 135, 260, 30};
constexpr gui::Rect kTextBox{10, 170, 260, 100};
constexpr gui::Rect kCancel{10, 275, 60, 30}, kOk{210, 275, 60, 30};

// A pixel of a swatch and of the text box's empty lower right, in window coordinates.
constexpr gui::Point kFrontPixel{207, 97}, kBackPixel{242, 97}, kTextBoxPixel{255, 260};

gui::FontChoice fontNamed(const std::string& name, int points,
                          gui::FontStyle style = gui::FontStyle::Normal) {
    gui::FontChoice font;
    font.name = name;
    font.points = points;
    font.style = style;
    return font;
}

// True when some pixel of rows [top, bottom) is dark.
bool darkInRows(const Image& image, int top, int bottom) {
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.at(x, y) & 0xC0C0C0u) == 0) return true;
    return false;
}

class TextImageTest : public AppWindowTest {
  protected:
    Image build(const std::string& text, const gui::FontChoice& font = {}, bool transparent = false,
                Color front = 0x000000) {
        return buildTextImage(gui, {text, font, front, 0xFFFFFF, transparent});
    }
    int lineHeight(const gui::FontChoice& font = {}) const {
        return gui.textSize("A1g", font).height;
    }
    int widthOf(const std::string& text, const gui::FontChoice& font = {}) const {
        return gui.textSize(text, font).width;
    }
};

TEST_F(TextImageTest, ArialIsMeasuredAsItsInstalledMetricTwin) {
    const std::string text = "Enter text here.";
    EXPECT_EQ(widthOf(text, fontNamed("Arial", 10)),
              widthOf(text, fontNamed("Liberation Sans", 10)));
    EXPECT_NE(widthOf(text, fontNamed("Arial", 10)),
              widthOf(text, fontNamed("Liberation Mono", 10)));
}

TEST_F(TextImageTest, TheDefaultTextIsBlackOnWhiteInAFivePixelMargin) {
    const Image picture = build("Enter text here.");
    ASSERT_EQ(picture.width(), widthOf("Enter text here.") + 10);
    ASSERT_EQ(picture.height(), lineHeight() + 10);
    EXPECT_EQ(picture.depth(), 24);
    EXPECT_EQ(picture.at(0, 0), 0xFFFFFFFFu);
    EXPECT_FALSE(darkInRows(picture, 0, 5) ||
                 darkInRows(picture, picture.height() - 5, picture.height()));
    EXPECT_TRUE(darkInRows(picture, 5, picture.height() - 5)) << "black glyphs";
}

TEST_F(TextImageTest, TheSizeFollowsTheWidestLineTheLineCountAndTheFont) {
    const gui::FontChoice big = fontNamed("Arial", 20, gui::FontStyle::Bold);
    struct Row {
        const char* name;
        std::string text, widest;
        int lines;
        gui::FontChoice font;
    };
    for (const Row& row : {Row{"widest line wins", "ab\nlonger line\nxy", "longer line", 3, {}},
                           Row{"empty text is one space", "", " ", 1, {}},
                           Row{"trailing line break is a line", "abc\n", "abc", 2, {}},
                           Row{"the font is used", "Hello", "Hello", 1, big}}) {
        SCOPED_TRACE(row.name);
        const Image picture = build(row.text, row.font);
        EXPECT_EQ(picture.width(), widthOf(row.widest, row.font) + 10);
        EXPECT_EQ(picture.height(), row.lines * lineHeight(row.font) + 10);
    }
    EXPECT_GT(lineHeight(big), lineHeight()) << "the fonts above must differ";
}

TEST_F(TextImageTest, LinesAreStackedOneLineHeightApartAnEmptyOneToo) {
    const Image picture = build("x\n\nx");
    const int h = lineHeight();
    ASSERT_EQ(picture.height(), 3 * h + 10);
    EXPECT_TRUE(darkInRows(picture, 5, 5 + h));
    EXPECT_FALSE(darkInRows(picture, 5 + h, 5 + 2 * h));
    EXPECT_TRUE(darkInRows(picture, 5 + 2 * h, 5 + 3 * h));
}

TEST_F(TextImageTest, TransparentHasNoMarginAndOnlyTheGlyphsShow) {
    constexpr Color kFront = 0x3366CC;
    const Image picture = build("Enter text here.", {}, true, kFront);
    ASSERT_EQ(picture.width(), widthOf("Enter text here."));
    ASSERT_EQ(picture.height(), lineHeight());
    EXPECT_EQ(picture.depth(), 32);
    int clear = 0, opaque = 0, otherColour = 0;
    for (Color c : picture.pixels()) {
        if (c == 0)
            ++clear;
        else if ((c & kRgbMask) != kFront)
            ++otherColour;  // the back colour never shows
        else if (alphaOf(c) == 255)
            ++opaque;
    }
    EXPECT_EQ(otherColour, 0);
    EXPECT_GT(opaque, 0) << "fully covered glyph pixels take the opaque front colour";
    EXPECT_GT(clear, static_cast<int>(picture.pixelCount()) / 2);
}

// The dialog opened as the menu item does; actions scheduled with at() run while it waits.
class AddTextTest : public DialogTest {
  protected:
    void openDialog() { addTextDialog(s); }
    void during(std::int64_t ms, std::function<void()> action) {
        at(ms, WIN_ADD_TEXT, std::move(action));
    }
    std::string toolTipAt(gui::Rect place) const {
        return widgetOf(gui, added(place))->toolTip().toStdString();
    }
    Color shownAt(gui::Point p) const {
        return gui.grabWindow(WIN_ADD_TEXT).at(p.x, p.y) & kRgbMask;
    }
    // What the floating section reacts to once the dialog has gone.
    void afterwards(std::int64_t ms, const gui::Event& event) {
        clock.schedule(ms, [this, event] {
            ASSERT_FALSE(gui.windowExists(WIN_ADD_TEXT));
            gui.postEvent(event);
        });
    }
    static gui::Event placeSection() {
        gui::Event e;
        e.kind = gui::EventKind::Custom;
        e.custom = EVT_CANVAS_LEFT_UP;
        return e;
    }
    static gui::Event escapeOnCanvas() {
        gui::Event e = controlEvent(GAD_CANVAS, gui::CANVAS_KEY_DOWN);
        e.keyCode = gui::KEY_ESCAPE;
        return e;
    }
};

TEST_F(AddTextTest, ShowsItsControlsWithTheTextBoxFocused) {
    struct Row {
        gui::Rect place;
        const char* text;
        const char* tip;
    };
    const Row rows[] = {
        {kNameLabel, "Font name", ""},
        {kNameField, "Arial", "click to change"},
        {kSizeLabel, "Size", ""},
        {kSizeField, "10", "click to change"},
        {kStyleLabel, "Style", ""},
        {kStyleField, "Normal", "click to change"},
        {kColorsFrame, "colors", ""},
        {kTransparentBox, "Background transparent", ""},
        {kTextBox, "Enter text here.", ""},
        {kCancel, "Cancel", ""},
        {kOk, "OK", ""},
    };
    during(10, [&] {
        EXPECT_EQ(gui.title(WIN_ADD_TEXT), "Add text");
        EXPECT_EQ(innerSize(WIN_ADD_TEXT), (gui::Size{280, 310}));
        for (const Row& row : rows) {
            EXPECT_EQ(textAt(row.place), row.text);
            EXPECT_EQ(toolTipAt(row.place), row.tip) << row.text;
        }
        EXPECT_EQ(toolTipAt(kFrontSwatch), "front color");
        EXPECT_EQ(toolTipAt(kBackSwatch), "back color");
        EXPECT_FALSE(gui.isChecked(added(kTransparentBox)));
        EXPECT_EQ(gui.focusedControl(), added(kTextBox));
        EXPECT_EQ(shownAt(kFrontPixel), 0x000000u);
        EXPECT_EQ(shownAt(kBackPixel), 0xFFFFFFu);
        EXPECT_EQ(shownAt({150, 20}), kSkyBlue);
        EXPECT_EQ(shownAt(kTextBoxPixel), 0xFFFFFFu);
        click(kCancel);
    });
    openDialog();
    EXPECT_FALSE(gui.windowExists(WIN_ADD_TEXT));
    EXPECT_TRUE(requesters.asked.empty());
}

TEST_F(AddTextTest, AFieldOpensTheFontRequesterOnceAndHandsTheFocusBack) {
    gui::FontChoice chosen = fontNamed("Liberation Serif", 14, gui::FontStyle::BoldItalic);
    chosen.color = 0x0000FF;
    gui::FontChoice plain = fontNamed("Liberation Mono", 12);
    plain.color = 0x0000FF;
    requesters.fonts = {chosen, std::nullopt, plain};
    during(10, [&] { click(kStyleField); });
    during(20, [&] {
        EXPECT_EQ(textAt(kNameField) + "|" + textAt(kSizeField) + "|" + textAt(kStyleField),
                  "Liberation Serif|14|BoldItalic");
        EXPECT_EQ(requesters.asked.size(), 1u) << "the field does not reopen the requester";
        EXPECT_EQ(gui.focusedControl(), added(kTextBox));
        const QFont font = widgetOf(gui, added(kTextBox))->font();
        EXPECT_EQ(font.family().toStdString(), "Liberation Serif");
        EXPECT_TRUE(font.bold() && font.italic());
        EXPECT_EQ(shownAt(kFrontPixel), 0x0000FFu) << "the requester's colour is the front's";
        click(kSizeField);  // cancelled: nothing changes
    });
    during(30, [&] {
        EXPECT_EQ(textAt(kNameField) + "|" + textAt(kStyleField), "Liberation Serif|BoldItalic");
        click(kNameField);
    });
    during(40, [&] { click(kCancel); });
    openDialog();

    EXPECT_EQ(requesters.asked, (std::vector<std::string>{"font", "font", "font"}));
    EXPECT_EQ(requesters.unexpected, 0);
    // Kept after Cancel, for the next opening.
    EXPECT_EQ(s.addTextFontName, "Liberation Mono");
    EXPECT_EQ(s.addTextFontSize, 12);
    EXPECT_EQ(s.addTextFontStyle, "Normal");
    EXPECT_FALSE(s.addTextBold || s.addTextItalic);
    EXPECT_EQ(s.addTextFrontColor, 0x0000FFu);
}

// Colours and transparency are kept as they change; the typed text only by OK.
TEST_F(AddTextTest, CancelAndTheCloseBoxDropTheTypedTextButKeepTheRest) {
    const Image clipboardBefore(3, 2, 24, 0x123456);
    gui.setClipboardImage(clipboardBefore);
    requesters.colors = {0x00FF00, std::nullopt, 0x0000FF};
    during(10, [&] {
        typeText(gui, added(kTextBox), "typed away");
        click(kFrontSwatch);
    });
    during(20, [&] { click(kBackSwatch); });  // cancelled
    during(30, [&] { click(kBackSwatch); });
    during(40, [&] {
        click(kTransparentBox);
        pressCloseBox(gui, WIN_ADD_TEXT);
    });
    openDialog();

    during(10, [&] {
        EXPECT_EQ(textAt(kTextBox), "Enter text here.");
        EXPECT_TRUE(gui.isChecked(added(kTransparentBox)));
        EXPECT_EQ(shownAt(kFrontPixel), 0x00FF00u);
        EXPECT_EQ(shownAt(kBackPixel), 0x0000FFu);
        EXPECT_EQ(shownAt(kTextBoxPixel), 0x0000FFu) << "the text box shows the back colour";
        typeText(gui, added(kTextBox), "again");
        click(kCancel);
    });
    openDialog();
    EXPECT_EQ(s.addTextText, "Enter text here.");
    const std::optional<Image> clip = gui.clipboardImage(24);
    ASSERT_TRUE(clip);
    EXPECT_TRUE(imagesEqual(*clip, clipboardBefore)) << "Cancel leaves the clipboard alone";
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_EQ(requesters.unexpected, 0);
}

TEST_F(AddTextTest, TheMainWindowsCloseRequestEndsItAndRequestsQuitting) {
    during(10, [&] {
        typeText(gui, added(kTextBox), "lost");
        gui.postEvent(windowEvent(gui::EventKind::Close, WIN_MAIN));
    });
    openDialog();
    EXPECT_FALSE(gui.windowExists(WIN_ADD_TEXT));
    EXPECT_EQ(s.quitRequested, 1);
    EXPECT_EQ(s.addTextText, "Enter text here.");
}

// The picture reaches the floating section through the clipboard, with its alpha.
TEST_F(AddTextTest, OkPutsTheTextOnTheClipboardForTheFloatingSection) {
    const Image start = inView();
    during(10, [&] { click(kTransparentBox); });
    during(20, [&] { click(kOk); });
    afterwards(30, escapeOnCanvas());
    openDialog();
    std::optional<Image> clip = gui.clipboardImage(32);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->width(), gui.textSize("Enter text here.", {}).width) << "no margin";
    EXPECT_EQ(alphaOf(clip->at(0, 0)), 0);
    EXPECT_TRUE(std::find(clip->pixels().begin(), clip->pixels().end(), kAlphaMask) !=
                clip->pixels().end())
        << "opaque black glyph pixels";
    EXPECT_TRUE(imagesEqual(inView(), start)) << "Esc dropped the section";

    during(10, [&] {
        click(kTransparentBox);
        typeText(gui, added(kTextBox), "Hi\nthere");
        click(kOk);
    });
    afterwards(20, placeSection());
    openDialog();
    EXPECT_EQ(s.addTextText, "Hi\nthere");
    clip = gui.clipboardImage(32);
    ASSERT_TRUE(clip);
    const gui::FontChoice font;
    EXPECT_EQ(clip->width(),
              std::max(gui.textSize("Hi", font).width, gui.textSize("there", font).width) + 10);
    EXPECT_EQ(clip->height(), 2 * gui.textSize("A1g", font).height + 10);
    EXPECT_EQ(clip->at(0, 0), 0xFFFFFFFFu) << "opaque white margin";
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE) << "placing the section is one undo step";
    EXPECT_TRUE(inView() != start);
}

}  // namespace
}  // namespace vd::test
