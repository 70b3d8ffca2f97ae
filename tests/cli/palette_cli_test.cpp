#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "io/image_codec.h"
#include "io/palette_file.h"
#include "quantize/color_index.h"
#include "quantize/flat_palettes.h"
#include "quantize/quantize.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

namespace fs = std::filesystem;

// The real program on files: palettes in and out of `quantize`, and `remap`.
using PaletteCli = Cli;

// A GIMP palette written out by hand, so that a fault of the writer cannot hide one of the
// reader.
std::string gplText(const Palette& colors) {
    std::string text = "GIMP Palette\nName: by hand\n#\n";
    char line[32];
    for (Color c : colors) {
        std::snprintf(line, sizeof line, "%3d %3d %3d\tcolour\n", redOf(c), greenOf(c), blueOf(c));
        text += line;
    }
    return text;
}

Image readBack(const std::string& file) {
    auto decoded = readImageFile(file);
    EXPECT_TRUE(decoded.ok()) << decoded.error();
    return decoded.ok() ? decoded.value().image : Image();
}

Image withAlpha(Image image) {
    int i = 0;
    for (Color& c : image.pixels())
        c = keepAlpha(makeColor(0, 0, 0, i++ * 29), c);
    return image;
}

TEST_F(PaletteCli, RemapOntoTheFixed16ColoursGivesWhatFixed16Gives) {
    const std::string palette =
        write("fixed16.gpl", gplText(fixedPalette(QuantizeMethod::Fixed16)));
    ASSERT_TRUE(
        writeImageFile(withAlpha(patternImage(37, 23, 32)), path("alpha.png"), ImageFormat::Png)
            .ok());
    struct Row {
        const char* name;
        std::string input;
        bool dither;
    };
    const std::vector<Row> rows = {
        {"photo", photo(), false},
        {"photo, dithered", photo(), true},
        {"32-bit pattern", path("alpha.png"), false},
        {"32-bit pattern, dithered", path("alpha.png"), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args = {"remap", "--palette", palette, row.input,
                                         path("remapped.png")};
        if (row.dither) args.insert(args.begin() + 1, "--dither");
        const RunResult ran = run(args);
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        EXPECT_TRUE(ran.err.empty()) << ran.err;

        const Image reference = readBack(row.input);
        ColorIndex index;
        QuantizeContext context{&index, nullptr};
        const QuantizeResult fixed =
            quantizeImage(reference, {QuantizeMethod::Fixed16, 16, row.dither}, context);
        EXPECT_TRUE(imagesEqual(readBack(path("remapped.png")), fixed.work, "cli-remap-fixed16"));
    }
}

// Above 256 colours the mapping searches differently; the answers must stay the exact
// nearest colours, up to the largest palette a file may hold.
TEST_F(PaletteCli, RemapOntoLargePalettesFindsTheNearestColours) {
    const Image input = patternImage(61, 29);
    ASSERT_TRUE(writeImageFile(input, path("in.png"), ImageFormat::Png).ok());
    for (std::size_t count : {257u, 5000u, 65536u}) {
        SCOPED_TRACE(std::to_string(count) + " colours");
        Palette colors;
        std::string text;
        char line[16];
        for (std::size_t i = 0; i < count; ++i) {
            const auto k = static_cast<std::uint32_t>(i * 2654435761u);
            colors.push_back(k & kRgbMask);
            std::snprintf(line, sizeof line, "%02x%02x%02x\n", redOf(k), greenOf(k), blueOf(k));
            text += line;
        }
        const RunResult ran =
            run({"remap", "--palette", write("big.hex", text), path("in.png"), path("out.bmp")});
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        ColorIndex index;
        index.build(colors);
        Image expected = input;
        for (Color& c : expected.pixels())
            c = keepAlpha(c, index.nearest(c));
        EXPECT_TRUE(imagesEqual(readBack(path("out.bmp")), expected, "cli-remap-large"));
    }
}

TEST_F(PaletteCli, RemapRefusesBadPalettesAndFilesWithOneLine) {
    std::string tooMany;
    for (int i = 0; i < 65537; ++i)
        tooMany += "#000000\n";
    struct Row {
        const char* name;
        std::string palette, input;
        std::string file, reason;  // the line is "vandrell-cli: FILE: REASON"
    };
    const std::string good = write("good.hex", "ff0000\n00ff00\n");
    const std::vector<Row> rows = {
        {"malformed gpl", write("bad.gpl", "GIMP Palette\n1 2 3\n4 5\n"), photo(), path("bad.gpl"),
         "line 3: expected three numbers 0..255"},
        {"short act", write("short.act", std::string(100, '\0')), photo(), path("short.act"),
         "byte 100: the file ends inside the 768 bytes of colours"},
        {"empty palette", write("empty.txt", "; nothing yet\n"), photo(), path("empty.txt"),
         "the file holds no colours"},
        {"too many colours", write("many.txt", tooMany), photo(), path("many.txt"),
         "line 65537: more than 65,536 colours"},
        {"missing palette", path("missing.gpl"), photo(), path("missing.gpl"), ""},
        {"missing input", good, path("missing.png"), path("missing.png"), ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RunResult ran = run({"remap", "--palette", row.palette, row.input, path("out.png")});
        EXPECT_EQ(ran.exitCode, 1);
        const std::string start = "vandrell-cli: " + row.file + ": " + row.reason;
        EXPECT_EQ(ran.err.rfind(start, 0), 0u) << ran.err;
        if (!row.reason.empty()) {
            EXPECT_EQ(ran.err, start + "\n");
        }
        EXPECT_EQ(std::count(ran.err.begin(), ran.err.end(), '\n'), 1) << ran.err;
        EXPECT_FALSE(fs::exists(path("out.png")));
    }

    const std::vector<std::pair<const char*, std::vector<std::string>>> usage = {
        {"no palette", {"remap", photo(), path("out.png")}},
        {"palette without file", {"remap", photo(), path("out.png"), "--palette"}},
        {"one file", {"remap", "--palette", good, photo()}},
        {"unknown option", {"remap", "--palette", good, "--limit", "3", photo(), path("out.png")}},
    };
    for (const auto& [name, args] : usage) {
        SCOPED_TRACE(name);
        const RunResult ran = run(args);
        EXPECT_EQ(ran.exitCode, 2);
        EXPECT_NE(ran.err.find("vandrell-cli remap --help"), std::string::npos) << ran.err;
        EXPECT_FALSE(fs::exists(path("out.png")));
    }

    const RunResult help = run({"remap", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("remap --palette FILE [--dither] IN OUT"), std::string::npos);
    EXPECT_NE(run({"--help"}).out.find("remap --palette FILE"), std::string::npos);
}

TEST_F(PaletteCli, QuantizeWritesThePaletteInTheFormatOfItsExtension) {
    const Image reference = readBack(photo());
    ColorIndex index;
    QuantizeContext context{&index, nullptr};
    const QuantizeResult expected =
        quantizeImage(reference, {QuantizeMethod::Popularity, 24, false}, context);
    ASSERT_TRUE(expected.palette.has_value());
    struct Row {
        const char* file;
        std::string start;  // how the file begins
    };
    const std::vector<Row> rows = {
        {"p.gpl", "GIMP Palette\nName: kodim05\n"},
        {"p.PAL", "JASC-PAL\r\n0100\r\n24\r\n"},
        {"p.act", ""},
        {"p.hex", ""},
        {"p.txt", "#"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const RunResult ran = run({"quantize", "--method", "popularity", "--limit", "24",
                                   "--palette", path(row.file), photo(), path("work.png")});
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        auto written = readPaletteFile(path(row.file));
        ASSERT_TRUE(written.ok()) << written.error();
        EXPECT_EQ(written.value(), *expected.palette);
        EXPECT_EQ(readText(path(row.file)).rfind(row.start, 0), 0u);
    }
    EXPECT_EQ(fs::file_size(path("p.act")), 772u);
    EXPECT_EQ(readText(path("p.hex")).find('#'), std::string::npos);

    // flat_4096 leaves the photo 1124 colours, more than an Adobe table holds: refused
    // before anything is written.
    const RunResult tooMany = run({"quantize", "--method", "flat_4096", "--palette",
                                   path("big.act"), photo(), path("flat.png")});
    EXPECT_EQ(tooMany.exitCode, 1);
    EXPECT_EQ(tooMany.err, "vandrell-cli: " + path("big.act") +
                               ": 1124 colours: an .act palette holds at most 256\n");
    EXPECT_FALSE(fs::exists(path("big.act")));
    EXPECT_FALSE(fs::exists(path("flat.png")));
}

}  // namespace
}  // namespace vd::test
