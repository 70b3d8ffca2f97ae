// Desktops match the program's windows to its installed desktop entry (and so to its icon)
// by the name the application gives itself: it must be the entry the build installs.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <filesystem>

namespace vd::test {
namespace {

TEST(DesktopName, IsTheDesktopEntryTheBuildInstalls) {
    const std::string name = QGuiApplication::desktopFileName().toStdString();
    ASSERT_FALSE(name.empty());
    const std::filesystem::path data = std::filesystem::path(VD_SOURCE_DIR) / "data";
    EXPECT_TRUE(std::filesystem::exists(data / (name + ".desktop"))) << name;
    EXPECT_TRUE(std::filesystem::exists(data / "icons" / (name + ".svg"))) << name;
}

}  // namespace
}  // namespace vd::test
