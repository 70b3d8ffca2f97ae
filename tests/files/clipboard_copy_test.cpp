// Copy through the real loop: what goes on the clipboard, the selection afterwards, and the
// note that drops input while it shows.

#include <optional>

#include "adjust/geometry.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

class CopyTest : public AppWindowTest {
  protected:
    // The note, a window the program numbered itself.
    std::optional<WindowNumber> note() const {
        for (int n = 1000; n < 1100; ++n)
            if (gui.windowExists(windowNumber(n))) return windowNumber(n);
        return std::nullopt;
    }
    void select(int left, int top, int right, int bottom) {
        s.Selection.left = left;
        s.Selection.top = top;
        s.Selection.right = right;
        s.Selection.bottom = bottom;
        s.Selection.active = 1;
    }
};

TEST_F(CopyTest, TheSelectionGoesOnTheClipboardAndEndsWithANoteThatDropsInput) {
    const Image picture = patternImage(40, 40);
    show(picture);
    select(10, 20, 19, 29);
    std::optional<gui::Rect> noteAt;
    bool noteAtEnd = false, noteAfter = true;
    clock.schedule(10, [&] {
        if (const auto n = note()) noteAt = gui.innerRect(*n);
        gui.postEvent(menuEvent(MENU_NEGATIVE));  // dropped, not queued for later
    });
    clock.schedule(1490, [&] { noteAtEnd = note().has_value(); });
    clock.schedule(1510, [&] { noteAfter = note().has_value(); });
    run(menuEvent(MENU_COPY));

    const std::optional<Image> copied = gui.clipboardImage(24);
    ASSERT_TRUE(copied.has_value());
    EXPECT_TRUE(imagesEqual(*copied, cropImage(picture, 10, 20, 10, 10), "10 x 10"));
    EXPECT_EQ(s.Selection.active, 0);
    const gui::Point main = gui.outerPosition(WIN_MAIN);
    ASSERT_TRUE(noteAt.has_value());
    EXPECT_EQ(*noteAt, (gui::Rect{main.x + 20 + 30, main.y + 20 - 15, 200, 30}));
    EXPECT_TRUE(noteAtEnd);
    EXPECT_FALSE(noteAfter) << "1.5 s of the clock";
    EXPECT_TRUE(imagesEqual(inView(), picture, "Negative was dropped"));
}

TEST_F(CopyTest, WithoutASelectionTheWholeWorkImageGoesWithItsAlpha) {
    show(patternImage(12, 7));
    run(controlEvent(GAD_VIEW_WORK));
    const Image work = patternImage(30, 20, 32);
    show(work);
    run(menuEvent(MENU_COPY));
    const std::optional<Image> copied = gui.clipboardImage(32);
    ASSERT_TRUE(copied.has_value());
    EXPECT_TRUE(imagesEqual(*copied, work, "the work image, alpha included"));
}

}  // namespace
}  // namespace vd::test
