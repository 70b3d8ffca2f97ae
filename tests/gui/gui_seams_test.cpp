// The seams a person and the machine answer, and waits on the real clock.

#include <QComboBox>
#include <QDir>
#include <QFileDialog>

#include "platform/gui/qt_requesters.h"
#include "tests/gui/gui_fixture.h"

namespace vd::gui::test {
namespace {

TEST(QtSeams, FilterPatternsBecomeQtNameFilters) {
    EXPECT_EQ(qtNameFilters("image (*.png, *.jpg, *.bmp)|*.png;*.jpg;*.bmp|image *.*|*.*"),
              (std::vector<std::string>{"image (*.png, *.jpg, *.bmp) (*.png *.jpg *.bmp)",
                                        "image *.* (*.*)"}));
    EXPECT_EQ(qtNameFilters("image *.png|*.png|image *.jpg|*.jpg|image *.bmp|*.bmp").size(), 3u);
    EXPECT_TRUE(qtNameFilters("").empty());
    EXPECT_TRUE(qtNameFilters("description without patterns").empty());
}

TEST(QtSeams, TheFileRequesterShowsEachFilterByItsDescriptionOnly) {
    QFileDialog dialog;
    applyFileFilters(dialog, "image (*.png, *.jpg, *.bmp)|*.png;*.jpg;*.bmp|image *.*|*.*");
    const auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->itemText(0).toStdString(), "image (*.png, *.jpg, *.bmp)");
    EXPECT_EQ(types->itemText(1).toStdString(), "image *.*");
    EXPECT_EQ(selectedFilterIndex(dialog), 0);
    dialog.selectNameFilter(QStringLiteral("image *.* (*.*)"));
    EXPECT_EQ(selectedFilterIndex(dialog), 1) << "the save filter decides the file type";
}

TEST(QtSeams, DesktopHasAScreenAndFolders) {
    QtDesktop desktop;
    EXPECT_GT(desktop.screenWidth(), 0);
    EXPECT_GT(desktop.screenHeight(), 0);
    EXPECT_FALSE(desktop.homeFolder().empty());
    // Where there is no pictures folder, the home folder stands in.
    EXPECT_TRUE(QDir(QString::fromStdString(desktop.picturesFolder())).exists());
}

TEST(QtSeams, RealClockWaitsEndByTime) {
    ScriptedRequesters requesters;
    SystemClock clock;
    FixedDesktop desktop(800, 600, "/", "/");
    Gui gui(requesters, clock, desktop);
    ASSERT_TRUE(gui.openWindow(kMain, {0, 0, 100, 100}, "t", WindowStyle::Main));
    while (gui.hasPendingEvents())
        gui.waitEvent(0);

    auto start = clock.nowMs();
    EXPECT_EQ(gui.waitEvent(30).kind, EventKind::Timeout);
    EXPECT_GE(clock.nowMs() - start, 30);

    start = clock.nowMs();
    gui.startTimer(kMain, 20);
    const Event e = gui.waitEvent();
    EXPECT_EQ(e.kind, EventKind::Timer);
    EXPECT_GE(clock.nowMs() - start, 20);
}

}  // namespace
}  // namespace vd::gui::test
