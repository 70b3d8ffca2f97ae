#pragma once

// The main window with the histogram window switched on by a real click, and an expected
// graph drawn by hand: bars from the bottom row up, XORed on black, and full-height lines.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <string>

#include "platform/gui/qt_access.h"
#include "tests/canvas/main_window_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {

constexpr Color kRed = 0x0000FFu;
constexpr Color kGreen = 0x00FF00u;
constexpr Color kBlue = 0xFF0000u;
constexpr Color kYellow = 0x00FFFFu;
constexpr Color kCyan = 0xFFFF00u;
constexpr Color kWhite = 0xFFFFFFu;
constexpr Color kBlack = 0x000000u;

// What the graph should show, built column by column.
class ExpectedGraph {
  public:
    // The bars of one channel in colour c: the top row of each listed column, row 127 (a
    // count of 0 still marks the bottom pixel) for every other column. Rows above the graph
    // are cut off.
    ExpectedGraph& channel(Color c, std::initializer_list<std::pair<int, int>> tops) {
        for (int x = 0; x < 256; ++x) {
            int top = 127;
            for (const auto& [column, row] : tops)
                if (column == x) top = row;
            for (int y = std::max(top, 0); y < 128; ++y)
                image_.at(x, y) ^= c;
        }
        return *this;
    }
    // An average line: the whole column in colour c.
    ExpectedGraph& line(int x, Color c) {
        for (int y = 0; y < 128; ++y)
            image_.at(x, y) = keepAlpha(image_.at(x, y), c);
        return *this;
    }
    const Image& image() const { return image_; }

  private:
    Image image_{256, 128, 24, kBlack};
};

class HistogramTest : public MainWindowTest {
  protected:
    // Shows `picture` and ticks the main window's "Histogram" box.
    void openHistogram(const Image& picture) {
        show(picture);
        clickBox(GAD_HISTOGRAM);
        ASSERT_TRUE(gui.windowExists(WIN_HISTOGRAM));
    }
    // A real click on a check box, then the loop handles it.
    void clickBox(ControlNumber box) {
        clickControl(gui, box);
        runLoop();
    }

    const Image& graph() const { return image(IMG_HISTOGRAM); }
    std::string title() const { return gui.title(WIN_HISTOGRAM); }

    // The ratio line is the window's only label.
    QLabel* ratioLabel() {
        auto* label = gui::windowWidget(gui, WIN_HISTOGRAM)->findChild<QLabel*>();
        EXPECT_NE(label, nullptr);
        return label;
    }
    std::string ratioText() { return ratioLabel()->text().toStdString(); }
    Color ratioTextColor() { return labelColor(QPalette::WindowText); }
    Color ratioBackground() { return labelColor(QPalette::Window); }

    // The window as it is on screen, inner coordinates.
    Image windowShot() const { return gui.grabWindow(WIN_HISTOGRAM); }

  private:
    Color labelColor(QPalette::ColorRole role) {
        const QColor c = ratioLabel()->palette().color(role);
        return makeColor(c.red(), c.green(), c.blue());
    }
};

// A picture made of `count` pixels of each listed colour, in order, one row high.
inline Image pictureOf(std::initializer_list<std::pair<int, Color>> runs) {
    int width = 0;
    for (const auto& run : runs)
        width += run.first;
    Image picture(width, 1, 24);
    int x = 0;
    for (const auto& [count, c] : runs)
        for (int i = 0; i < count; ++i)
            picture.at(x++, 0) = c | kAlphaMask;
    return picture;
}

}  // namespace vd::test
