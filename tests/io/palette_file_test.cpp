#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "io/palette_file.h"

namespace vd::test {
namespace {

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string textOf(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// Colours that use 0, 255 and every bit of each channel, with no two alike.
std::vector<Color> sampleColors(std::size_t count) {
    std::vector<Color> colors;
    for (std::size_t i = 0; i < count; ++i) {
        const auto k = static_cast<std::uint32_t>(i);
        colors.push_back(makeColor(static_cast<int>(k * 37 + (k >> 8)), static_cast<int>(255 - k),
                                   static_cast<int>((k * 101) ^ (k >> 8))));
    }
    return colors;
}

struct FormatRow {
    const char* name;
    PaletteFormat format;
};

const std::vector<FormatRow> kFormats = {
    {"gpl", PaletteFormat::Gpl}, {"pal", PaletteFormat::JascPal}, {"act", PaletteFormat::Act},
    {"hex", PaletteFormat::Hex}, {"txt", PaletteFormat::Text},
};

TEST(PaletteFile, WrittenPalettesReadBackAsTheSameColours) {
    for (const FormatRow& row : kFormats) {
        // .act with fewer than its 256 entries keeps the count in its trailer.
        for (std::size_t count : {1u, 16u, 200u, 256u}) {
            SCOPED_TRACE(std::string(row.name) + ", " + std::to_string(count) + " colours");
            const std::vector<Color> colors = sampleColors(count);
            auto bytes = formatPalette(colors, row.format, "sample");
            ASSERT_TRUE(bytes.ok()) << bytes.error();
            auto back = parsePalette(bytes.value(), row.format);
            ASSERT_TRUE(back.ok()) << back.error();
            EXPECT_EQ(back.value(), colors);
        }
    }
}

// The bytes other programs expect, which a reader of our own making would not notice.
TEST(PaletteFile, WritesEachFormatAsItsProgramsDo) {
    const std::vector<Color> colors = {makeColor(0, 7, 255), makeColor(18, 200, 3)};
    struct Row {
        const char* name;
        PaletteFormat format;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"gpl", PaletteFormat::Gpl,
         "GIMP Palette\nName: sunset\nColumns: 16\n#\n  0   7 255\t0007ff\n 18 200   3\t12c803\n"},
        {"pal", PaletteFormat::JascPal, "JASC-PAL\r\n0100\r\n2\r\n0 7 255\r\n18 200 3\r\n"},
        {"hex", PaletteFormat::Hex, "0007ff\n12c803\n"},
        {"txt", PaletteFormat::Text, "#0007ff\n#12c803\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto bytes = formatPalette(colors, row.format, "sunset");
        ASSERT_TRUE(bytes.ok());
        EXPECT_EQ(textOf(bytes.value()), row.expected);
    }

    auto act = formatPalette(colors, PaletteFormat::Act, "sunset");
    ASSERT_TRUE(act.ok());
    std::vector<std::uint8_t> expected(772, 0);
    const std::uint8_t head[] = {0, 7, 255, 18, 200, 3};
    std::copy(std::begin(head), std::end(head), expected.begin());
    expected[768] = 0;
    expected[769] = 2;                     // big-endian count
    expected[770] = expected[771] = 0xFF;  // no transparent entry
    EXPECT_EQ(act.value(), expected);

    auto named = formatPalette(colors, PaletteFormat::Gpl, "two\nlines");
    ASSERT_TRUE(named.ok());
    EXPECT_EQ(textOf(named.value()).rfind("GIMP Palette\nName: two lines\n", 0), 0u);
}

TEST(PaletteFile, ReadsFilesAsOtherProgramsWriteThem) {
    struct Row {
        const char* name;
        PaletteFormat format;
        std::string text;
        std::vector<Color> expected;
    };
    const std::vector<Row> rows = {
        {"gpl with comments, names and CRLF",
         PaletteFormat::Gpl,
         "GIMP Palette\r\nName: Web safe\r\nColumns: 6\r\n# made by hand\r\n\r\n"
         "255 0 0\tbright red\r\n  0\t128  64 Untitled\r\n# between\r\n1 2 3\r\n",
         {makeColor(255, 0, 0), makeColor(0, 128, 64), makeColor(1, 2, 3)}},
        {"gpl without header lines or final line end",
         PaletteFormat::Gpl,
         "GIMP Palette\n10 20 30",
         {makeColor(10, 20, 30)}},
        {"pal with LF and a trailing blank line",
         PaletteFormat::JascPal,
         "JASC-PAL\n0100\n2\n1 2 3\n250 251 252\n\n",
         {makeColor(1, 2, 3), makeColor(250, 251, 252)}},
        {"hex with and without #, either case, comments",
         PaletteFormat::Hex,
         "; exported\n// also a comment\n  #FF8000  \n\n00ff7f\r\n",
         {makeColor(255, 128, 0), makeColor(0, 255, 127)}},
        {"txt of the bare form", PaletteFormat::Text, "0a0b0c\n", {makeColor(10, 11, 12)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto colors = parsePalette(bytesOf(row.text), row.format);
        ASSERT_TRUE(colors.ok()) << colors.error();
        EXPECT_EQ(colors.value(), row.expected);
    }

    // The bare Adobe table, without count and transparent index, holds all 256 entries.
    std::vector<std::uint8_t> bare(768, 0);
    bare[0] = 9;
    bare[767] = 200;
    auto act = parsePalette(bare, PaletteFormat::Act);
    ASSERT_TRUE(act.ok()) << act.error();
    ASSERT_EQ(act.value().size(), 256u);
    EXPECT_EQ(act.value().front(), makeColor(9, 0, 0));
    EXPECT_EQ(act.value().back(), makeColor(0, 0, 200));
}

struct MalformedRow {
    const char* name;
    PaletteFormat format;
    std::string bytes;
    std::string message;  // the whole reason
};

std::string actBytes(std::size_t size, int countHigh = -1, int countLow = -1) {
    std::string bytes(size, '\0');
    if (countHigh >= 0) bytes[768] = static_cast<char>(countHigh);
    if (countLow >= 0) bytes[769] = static_cast<char>(countLow);
    return bytes;
}

TEST(PaletteFile, MalformedFilesAreRefusedSayingWhere) {
    const std::string gpl = "GIMP Palette\nName: x\nColumns: 4\n#\n";
    const std::string jasc = "JASC-PAL\r\n0100\r\n3\r\n";
    const std::string rgb = "expected three numbers 0..255";
    const std::vector<MalformedRow> rows = {
        {"gpl: other first line", PaletteFormat::Gpl, "GIMP palette\n0 0 0\n",
         "line 1: not a GIMP palette (the first line must be \"GIMP Palette\")"},
        {"gpl: empty file", PaletteFormat::Gpl, "",
         "line 1: not a GIMP palette (the first line must be \"GIMP Palette\")"},
        {"gpl: channel above 255", PaletteFormat::Gpl, gpl + "1 2 3\n0 0 0 a\n4 256 6\n",
         "line 7: " + rgb},
        {"gpl: two numbers", PaletteFormat::Gpl, gpl + "10 20\n", "line 5: " + rgb},
        {"gpl: letters on a number", PaletteFormat::Gpl, gpl + "10 20 30x\n", "line 5: " + rgb},
        {"gpl: negative", PaletteFormat::Gpl, gpl + "-1 0 0\n", "line 5: " + rgb},
        {"gpl: Name after a colour", PaletteFormat::Gpl, gpl + "1 2 3\nName: late\n",
         "line 6: " + rgb},
        {"gpl: Columns not a number", PaletteFormat::Gpl, "GIMP Palette\nColumns: many\n",
         "line 2: Columns must be a whole number 0..256"},
        {"gpl: header only", PaletteFormat::Gpl, gpl, "the file holds no colours"},

        {"pal: other first line", PaletteFormat::JascPal, "RIFF\r\n",
         "line 1: not a JASC palette (the first line must be \"JASC-PAL\")"},
        {"pal: other version", PaletteFormat::JascPal, "JASC-PAL\r\n0200\r\n1\r\n0 0 0\r\n",
         "line 2: expected the version 0100"},
        {"pal: no count", PaletteFormat::JascPal, "JASC-PAL\r\n0100\r\n",
         "line 3: expected the colour count, a whole number 1..65536"},
        {"pal: count of zero", PaletteFormat::JascPal, "JASC-PAL\r\n0100\r\n0\r\n",
         "line 3: the colour count is 0; a palette needs a colour"},
        {"pal: count too large", PaletteFormat::JascPal, "JASC-PAL\r\n0100\r\n65537\r\n",
         "line 3: the colour count 65537 is more than 65,536 colours"},
        {"pal: fewer colours than counted", PaletteFormat::JascPal, jasc + "1 2 3\r\n4 5 6\r\n",
         "line 6: the file ends after 2 of the 3 colours line 3 announces"},
        {"pal: more colours than counted", PaletteFormat::JascPal,
         jasc + "1 2 3\r\n4 5 6\r\n7 8 9\r\n\r\n10 11 12\r\n",
         "line 8: more colours than the 3 line 3 announces"},
        {"pal: four numbers", PaletteFormat::JascPal, jasc + "1 2 3\r\n4 5 6 7\r\n7 8 9\r\n",
         "line 5: " + rgb},
        {"pal: blank among colours", PaletteFormat::JascPal, jasc + "1 2 3\r\n\r\n7 8 9\r\n",
         "line 5: " + rgb},

        {"act: empty", PaletteFormat::Act, "",
         "byte 0: the file ends inside the 768 bytes of colours"},
        {"act: one byte short", PaletteFormat::Act, actBytes(767),
         "byte 767: the file ends inside the 768 bytes of colours"},
        {"act: half a trailer", PaletteFormat::Act, actBytes(770, 0, 16),
         "byte 770: the file ends inside the colour count and transparent index"},
        {"act: bytes after the trailer", PaletteFormat::Act, actBytes(773, 0, 16),
         "byte 772: unexpected bytes after the colour count and transparent index"},
        {"act: count of zero", PaletteFormat::Act, actBytes(772, 0, 0),
         "byte 768: the colour count 0 is not 1..256"},
        {"act: count above 256", PaletteFormat::Act, actBytes(772, 1, 1),
         "byte 768: the colour count 257 is not 1..256"},

        {"hex: five digits", PaletteFormat::Hex, "ff0000\n00ff0\n",
         "line 2: expected a colour rrggbb or #rrggbb"},
        {"hex: not a hex digit", PaletteFormat::Hex, "\n; red\nff00g0\n",
         "line 3: expected a colour rrggbb or #rrggbb"},
        {"txt: two colours on a line", PaletteFormat::Text, "#ff0000 #00ff00\n",
         "line 1: expected a colour rrggbb or #rrggbb"},
        {"txt: doubled #", PaletteFormat::Text, "##ff0000\n",
         "line 1: expected a colour rrggbb or #rrggbb"},
        {"txt: comments only", PaletteFormat::Text, "; nothing\n\n", "the file holds no colours"},
    };
    for (const MalformedRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto colors = parsePalette(bytesOf(row.bytes), row.format);
        ASSERT_FALSE(colors.ok());
        EXPECT_EQ(colors.error(), row.message);
    }
}

TEST(PaletteFile, HoldsOneTo65536Colours) {
    std::string full;
    for (int i = 0; i < 65536; ++i) {
        char line[8];
        std::snprintf(line, sizeof line, "%06x\n", i * 255);
        full += line;
    }
    auto most = parsePalette(bytesOf(full), PaletteFormat::Hex);
    ASSERT_TRUE(most.ok()) << most.error();
    EXPECT_EQ(most.value().size(), 65536u);
    EXPECT_EQ(most.value()[1], makeColor(0, 0, 255));

    auto tooMany = parsePalette(bytesOf(full + "000000\n"), PaletteFormat::Hex);
    ASSERT_FALSE(tooMany.ok());
    EXPECT_EQ(tooMany.error(), "line 65537: more than 65,536 colours");

    auto gpl = formatPalette(sampleColors(65537), PaletteFormat::Gpl, "big");
    ASSERT_FALSE(gpl.ok());
    EXPECT_EQ(gpl.error(), "65537 colours: a palette holds at most 65,536");
    auto act = formatPalette(sampleColors(257), PaletteFormat::Act, "big");
    ASSERT_FALSE(act.ok());
    EXPECT_EQ(act.error(), "257 colours: an .act palette holds at most 256");
    for (const FormatRow& row : kFormats) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(formatPalette({}, row.format, "none").ok());
    }
}

}  // namespace
}  // namespace vd::test
