#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "tests/app/app_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

constexpr Color kSkyBlue = 0xEBCE87;  // red 135, green 206, blue 235

constexpr gui::Rect kWidthPlace{10, 10, 60, 25};
constexpr gui::Rect kHeightPlace{10, 40, 60, 25};
constexpr gui::Rect kSwatchPlace{135, 45, 90, 45};
constexpr gui::Rect kOkPlace{155, 100, 60, 25};
constexpr gui::Rect kCancelPlace{10, 100, 60, 25};

// The dialog chooses its own control numbers; the test finds each control by its place among
// the controls that did not exist before the dialog opened.
class NewImageTest : public AppWindowTest {
  protected:
    std::set<int> before;
    Image startPicture;

    void SetUp() override {
        AppWindowTest::SetUp();
        for (int n = 0; n < kControlScan; ++n)
            if (gui.controlExists(controlNumber(n))) before.insert(n);
        startPicture = inView();
    }

    ControlNumber added(gui::Rect place) const {
        for (int n = 0; n < kControlScan; ++n) {
            const ControlNumber c = controlNumber(n);
            if (!before.contains(n) && gui.controlExists(c) && gui.controlRect(c) == place)
                return c;
        }
        ADD_FAILURE() << "no new control at " << place.x << ", " << place.y;
        return controlNumber(-1);
    }
    ControlNumber widthField() const { return added(kWidthPlace); }
    ControlNumber heightField() const { return added(kHeightPlace); }

    // Runs `action` while the dialog waits for the user; later actions run after the dialog
    // has handled what the earlier ones caused.
    void whileOpen(std::function<void()> action) {
        scheduledMs += 10;
        clock.schedule(scheduledMs, [this, action] {
            ASSERT_TRUE(gui.windowExists(WIN_NEW_IMAGE));
            action();
        });
    }
    void openDialog() {
        scheduledMs = 0;
        run(menuEvent(MENU_NEW_IMAGE));
    }
    // The program writes a field's text and reports it as typed (an emptied field, which
    // typing cannot produce here).
    void setField(ControlNumber field, const std::string& text) {
        gui.setText(field, text);
        gui::Event edited = controlEvent(field, gui::TEXT_EDITED);
        edited.window = WIN_NEW_IMAGE;
        gui.postEvent(edited);
    }
    void typeSize(const std::string& width, const std::string& height) {
        typeText(gui, widthField(), width);
        typeText(gui, heightField(), height);
    }
    void pressOk() { clickControl(gui, added(kOkPlace)); }
    void pressCancel() { clickControl(gui, added(kCancelPlace)); }

    static bool filledWith(const Image& picture, Color color) {
        for (Color c : picture.pixels())
            if (c != (color | kAlphaMask)) return false;
        return true;
    }

    std::int64_t scheduledMs = 0;
    static constexpr int kControlScan = 1200;
};

// The centre of a window's outer rectangle.
gui::Point outerCentre(const gui::Gui& g, WindowNumber w) {
    const gui::Point at = g.outerPosition(w);
    const gui::Rect inner = g.innerRect(w);
    const gui::Size frame = g.frameExtra(w);
    return {at.x + (inner.width + frame.width) / 2, at.y + (inner.height + frame.height) / 2};
}

TEST_F(NewImageTest, ShowsItsControlsCentredOnTheMainWindow) {
    struct Seen {
        std::string title, width, height, labels, ok, cancel;
        gui::Size inner;
        gui::Point centre, mainCentre;
        Image shot;
    } seen;
    whileOpen([&] {
        seen.title = gui.title(WIN_NEW_IMAGE);
        const gui::Rect inner = gui.innerRect(WIN_NEW_IMAGE);
        seen.inner = {inner.width, inner.height};
        seen.centre = outerCentre(gui, WIN_NEW_IMAGE);
        seen.mainCentre = outerCentre(gui, WIN_MAIN);
        seen.width = gui.text(widthField());
        seen.height = gui.text(heightField());
        for (gui::Rect place :
             {gui::Rect{75, 15, 50, 25}, gui::Rect{75, 40, 50, 25}, gui::Rect{135, 15, 95, 25}})
            seen.labels += gui.text(added(place)) + "|";
        seen.ok = gui.text(added(kOkPlace));
        seen.cancel = gui.text(added(kCancelPlace));
        seen.shot = gui.grabWindow(WIN_NEW_IMAGE);
        pressCancel();
    });
    openDialog();

    EXPECT_EQ(seen.title, "New image");
    EXPECT_EQ(seen.inner, (gui::Size{240, 130}));
    EXPECT_LE(std::abs(seen.centre.x - seen.mainCentre.x), 1);
    EXPECT_LE(std::abs(seen.centre.y - seen.mainCentre.y), 1);
    EXPECT_EQ(seen.width, "800");
    EXPECT_EQ(seen.height, "600");
    EXPECT_EQ(seen.labels, "width|Height|Back color|");
    EXPECT_EQ(seen.ok, "OK");
    EXPECT_EQ(seen.cancel, "Cancel");
    ASSERT_EQ(seen.shot.width(), 240);
    EXPECT_EQ(seen.shot.at(100, 95) & kRgbMask, kSkyBlue) << "dialog background";
    EXPECT_EQ(seen.shot.at(180, 67) & kRgbMask, 0xFFFFFFu) << "white swatch";

    EXPECT_FALSE(gui.windowExists(WIN_NEW_IMAGE));
    EXPECT_TRUE(imagesEqual(inView(), startPicture));
    EXPECT_EQ(s.undoFlags, 0);
}

TEST_F(NewImageTest, OkClampsTheSizeKeepsItAndReplacesTheImageInView) {
    whileOpen([&] { typeSize("5", "10000"); });
    whileOpen([&] {
        EXPECT_EQ(s.newImageWidth, 5) << "stored as typed";
        EXPECT_EQ(s.newImageHeight, 10000);
        pressOk();
    });
    openDialog();

    EXPECT_FALSE(gui.windowExists(WIN_NEW_IMAGE));
    EXPECT_EQ(s.newImageWidth, 16);
    EXPECT_EQ(s.newImageHeight, 4096);
    ASSERT_EQ(inView().width(), 16);
    ASSERT_EQ(inView().height(), 4096);
    EXPECT_EQ(inView().depth(), 24);
    EXPECT_TRUE(filledWith(inView(), 0xFFFFFF));
    EXPECT_EQ(gui.canvasPixels(GAD_CANVAS).height(), 4096) << "shown";
    EXPECT_EQ(gui.text(GAD_UNIQUE_COUNT), "1");
    EXPECT_EQ(s.undoFlags, UNDO_REFERENCE);

    std::string offeredWidth, offeredHeight;
    whileOpen([&] {
        offeredWidth = gui.text(widthField());
        offeredHeight = gui.text(heightField());
        pressCancel();
    });
    openDialog();
    EXPECT_EQ(offeredWidth, "16");
    EXPECT_EQ(offeredHeight, "4096");

    run(menuEvent(MENU_UNDO));
    EXPECT_TRUE(imagesEqual(inView(), startPicture));
}

TEST_F(NewImageTest, EmptyAndOverlongFieldsEndAtTheLimits) {
    whileOpen([&] {
        setField(widthField(), "");
        typeText(gui, heightField(), "99999999999999999999");
    });
    whileOpen([&] {
        EXPECT_EQ(s.newImageWidth, 0);
        EXPECT_EQ(s.newImageHeight, INT_MAX);
        pressOk();
    });
    openDialog();
    EXPECT_EQ(inView().width(), 16);
    EXPECT_EQ(inView().height(), 4096);
}

TEST_F(NewImageTest, CancelAndTheCloseBoxKeepTheImageAndTheTypedValues) {
    whileOpen([&] { typeSize("321", "123"); });
    whileOpen([&] { pressCancel(); });
    openDialog();
    EXPECT_EQ(s.newImageWidth, 321);
    EXPECT_EQ(s.newImageHeight, 123);
    EXPECT_TRUE(imagesEqual(inView(), startPicture));

    std::string offered;
    whileOpen([&] {
        offered = gui.text(widthField()) + "x" + gui.text(heightField());
        typeText(gui, widthField(), "77");
    });
    whileOpen([&] { pressCloseBox(gui, WIN_NEW_IMAGE); });
    openDialog();
    EXPECT_EQ(offered, "321x123");
    EXPECT_EQ(s.newImageWidth, 77);
    EXPECT_FALSE(gui.windowExists(WIN_NEW_IMAGE));
    EXPECT_TRUE(imagesEqual(inView(), startPicture));
    EXPECT_EQ(s.undoFlags, 0);
}

TEST_F(NewImageTest, TheSwatchChoosesTheFillColourUnlessCancelled) {
    constexpr Color kChosen = 0x123456;
    requesters.colors = {std::nullopt, kChosen};
    Color afterCancel = 0, swatchShown = 0;
    whileOpen([&] { clickControl(gui, added(kSwatchPlace)); });
    whileOpen([&] {
        afterCancel = s.newImageColor;
        clickControl(gui, added(kSwatchPlace));
    });
    whileOpen([&] {
        swatchShown = gui.grabWindow(WIN_NEW_IMAGE).at(180, 67) & kRgbMask;
        typeSize("20", "17");
        pressOk();
    });
    openDialog();

    EXPECT_EQ(afterCancel, 0xFFFFFFu);
    EXPECT_EQ(swatchShown, kChosen) << "the swatch is repainted";
    EXPECT_EQ(s.newImageColor, kChosen);
    ASSERT_EQ(inView().width(), 20);
    EXPECT_EQ(inView().height(), 17);
    EXPECT_TRUE(filledWith(inView(), kChosen));
    EXPECT_EQ(requesters.unexpected, 0);
}

TEST_F(NewImageTest, InTheWorkViewReplacesOnlyTheWorkImageAndItsPalette) {
    run(controlEvent(GAD_VIEW_WORK));
    const Image reference = image(s.imgReference);
    requesters.colors = {0x00FF00};
    whileOpen([&] { clickControl(gui, added(kSwatchPlace)); });
    whileOpen([&] {
        typeSize("30", "20");
        pressOk();
    });
    openDialog();
    EXPECT_EQ(s.imageInView, s.imgWork);
    EXPECT_EQ(inView().width(), 30);
    EXPECT_EQ(s.undoFlags, UNDO_WORK);
    EXPECT_TRUE(imagesEqual(image(s.imgReference), reference));
    EXPECT_EQ(s.currentPalette, Palette{0x00FF00}) << "the census of the new work image";
}

TEST_F(NewImageTest, InTheReferenceViewLeavesThePaletteAlone) {
    const Palette before = s.currentPalette;
    whileOpen([&] {
        typeSize("30", "20");
        pressOk();
    });
    openDialog();
    EXPECT_EQ(inView().width(), 30);
    EXPECT_EQ(s.currentPalette, before);
}

TEST_F(NewImageTest, TheMainWindowsCloseRequestEndsTheDialogAndAsksToQuit) {
    const std::int64_t start = clock.nowMs();
    whileOpen([&] {
        // Other events wait for nobody while the dialog is open: they are dropped.
        gui.postEvent(menuEvent(MENU_NEGATIVE));
        typeText(gui, widthField(), "50");
        gui.postEvent(windowEvent(gui::EventKind::Close, WIN_MAIN));
    });
    openDialog();  // the loop asks the quit question, which the fixture answers Yes
    EXPECT_LT(clock.nowMs() - start, kIdleQuitMs) << "asked at once, not at the idle quit";
    EXPECT_FALSE(gui.windowExists(WIN_NEW_IMAGE));
    EXPECT_EQ(s.newImageWidth, 50);
    EXPECT_TRUE(imagesEqual(inView(), startPicture));
    EXPECT_EQ(s.undoFlags, 0);
    EXPECT_TRUE(requesters.asked.empty());
}

}  // namespace
}  // namespace vd::test
