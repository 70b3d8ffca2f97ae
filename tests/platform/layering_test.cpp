#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace vd::test {
namespace {

namespace fs = std::filesystem;

// The pure core: what the command line tool, the benchmarks and the unit tests link alone.
constexpr std::array<std::string_view, 4> kCoreFolders = {"platform/image", "io", "quantize",
                                                          "adjust"};
// The program above it: windows, commands and dialogs.
constexpr std::array<std::string_view, 7> kProgramFolders = {
    "app/", "canvas/", "panels/", "platform/gui/", "files/", "dialogs/", "io/commands/"};

// The target of an #include line, quotes or angle brackets stripped; empty for other lines.
std::string includedPath(const std::string& line) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, 8, "#include") != 0) return {};
    const std::size_t open = line.find_first_of("\"<", start + 8);
    if (open == std::string::npos) return {};
    const std::size_t close = line.find_first_of("\">", open + 1);
    return line.substr(open + 1, close - open - 1);
}

bool isProgramOrQt(const std::string& included) {
    for (std::string_view folder : kProgramFolders)
        if (included.starts_with(folder)) return true;
    return included.starts_with("Q") || included.starts_with("qt");
}

TEST(Layering, CoreFoldersIncludeNothingOfTheProgramOrQt) {
    const fs::path root = VD_SOURCE_DIR;
    int filesRead = 0;
    for (std::string_view folder : kCoreFolders) {
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".h" && extension != ".cpp") continue;
            ++filesRead;
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                const std::string included = includedPath(line);
                EXPECT_FALSE(isProgramOrQt(included))
                    << fs::relative(entry.path(), root).string() << ":" << number
                    << " includes " << included;
            }
        }
    }
    EXPECT_GT(filesRead, 20) << "the core folders were not found under " << root;
}

TEST(Layering, TheCheckRecognisesIncludeLines) {
    EXPECT_EQ(includedPath("#include \"app/state.h\""), "app/state.h");
    EXPECT_EQ(includedPath("  #include <QImage>"), "QImage");
    EXPECT_EQ(includedPath("// #include \"app/state.h\""), "");
    EXPECT_TRUE(isProgramOrQt("panels/palette_window.h"));
    EXPECT_TRUE(isProgramOrQt("QWidget"));
    EXPECT_FALSE(isProgramOrQt("quantize/palette.h"));
}

}  // namespace
}  // namespace vd::test
