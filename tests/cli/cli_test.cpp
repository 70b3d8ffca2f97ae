#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "adjust/brightness.h"
#include "adjust/color_ops.h"
#include "adjust/contrast.h"
#include "adjust/geometry.h"
#include "adjust/resize_ops.h"
#include "adjust/two_colors.h"
#include "io/image_codec.h"
#include "quantize/color_index.h"
#include "quantize/neuquant.h"
#include "quantize/quantize.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

namespace fs = std::filesystem;

int lineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(Cli, UsageErrorsExitWithTwo) {
    EXPECT_EQ(run({}).exitCode, 2);
    EXPECT_EQ(run({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(run({"convert", "only-one"}).exitCode, 2);
    EXPECT_EQ(run({"quantize", photo(), path("o.png")}).exitCode, 2);  // no --method
    EXPECT_EQ(run({"quantize", "--method", "Median", photo(), path("o.png")}).exitCode, 2);
    EXPECT_EQ(run({"quantize", "--method", "uniform", "--limit", "17", photo(), path("o.png")})
                  .exitCode,
              2);
    EXPECT_EQ(run({"quantize", "--method", "Adaptive", "--limit", "1", photo(), path("o.png")})
                  .exitCode,
              2);
    EXPECT_FALSE(fs::exists(path("o.png")));
    const RunResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("quantize --method LABEL"), std::string::npos);
}

TEST_F(Cli, FailuresPrintOneLineNamingTheFile) {
    const RunResult missing = run({"convert", path("missing.png"), path("out.png")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(lineCount(missing.err), 1);
    EXPECT_NE(missing.err.find(path("missing.png")), std::string::npos);

    std::ofstream(path("text.png")) << "not a picture";
    const RunResult notImage = run({"info", path("text.png")});
    EXPECT_EQ(notImage.exitCode, 1);
    EXPECT_EQ(lineCount(notImage.err), 1);
    EXPECT_NE(notImage.err.find("text.png"), std::string::npos);
}

TEST_F(Cli, AFailedConvertLeavesNoPartialFileAndKeepsAnOldOne) {
    std::ofstream(path("bad.bmp")) << "BM but nothing else";
    EXPECT_EQ(run({"convert", path("bad.bmp"), path("new.png")}).exitCode, 1);
    EXPECT_FALSE(fs::exists(path("new.png")));

    std::ofstream(path("old.png")) << "old";
    EXPECT_EQ(run({"convert", path("bad.bmp"), path("old.png")}).exitCode, 1);
    EXPECT_EQ(readText(path("old.png")), "old");
    EXPECT_EQ(run({"convert", photo(), path("picture.gif")}).exitCode, 1);
    EXPECT_FALSE(fs::exists(path("picture.gif")));
}

TEST_F(Cli, ConvertKeepsThePixelsAndInfoDescribesTheFile) {
    ASSERT_EQ(run({"convert", photo(), path("copy.bmp")}).exitCode, 0);
    auto original = readImageFile(photo());
    auto copy = readImageFile(path("copy.bmp"));
    ASSERT_TRUE(original.ok() && copy.ok());
    EXPECT_EQ(copy.value().format, ImageFormat::Bmp);
    EXPECT_TRUE(imagesEqual(copy.value().image, original.value().image));

    const RunResult info = run({"info", path("copy.bmp")});
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_NE(info.out.find("format: BMP"), std::string::npos);
    EXPECT_NE(info.out.find("width: 768"), std::string::npos);
    EXPECT_NE(info.out.find("height: 512"), std::string::npos);
    EXPECT_NE(info.out.find("depth: 24"), std::string::npos);
    EXPECT_NE(info.out.find("unique colors: "), std::string::npos);
}

TEST_F(Cli, QuantizeWritesWhatApplyWouldMake) {
    ASSERT_EQ(run({"quantize", "--method", "UNIFORM", "--limit", "4", "--dither",
                   "--palette", path("palette.txt"), photo(), path("work.png")})
                  .exitCode,
              0);
    auto reference = readImageFile(photo());
    auto written = readImageFile(path("work.png"));
    ASSERT_TRUE(reference.ok() && written.ok());
    ColorIndex index;
    QuantizeContext context{&index, nullptr};
    const QuantizeResult expected = quantizeImage(
        reference.value().image, {QuantizeMethod::Uniform, 4, true}, context);
    EXPECT_TRUE(imagesEqual(written.value().image, expected.work));

    std::istringstream lines(readText(path("palette.txt")));
    std::string line;
    std::size_t count = 0;
    while (std::getline(lines, line)) {
        EXPECT_EQ(line.size(), 7u);
        EXPECT_EQ(line[0], '#');
        ++count;
    }
    ASSERT_TRUE(expected.palette.has_value());
    EXPECT_EQ(count, expected.palette->size());
}

TEST_F(Cli, QuantizeManyFilesIntoAFolder) {
    fs::create_directories(path("out"));
    const std::string second = (testdataDir() / "photos" / "kodim01.png").string();
    ASSERT_EQ(run({"quantize", "--method", "flat_8", "--output-dir", path("out"), photo(), second})
                  .exitCode,
              0);
    EXPECT_TRUE(fs::exists(path("out/kodim05.png")));
    EXPECT_TRUE(fs::exists(path("out/kodim01.png")));
}

// Each operation of `adjust` against the same operation in memory, bit for bit. The
// expected settings are written out from the options by hand, so a misread option shows.
struct AdjustCase {
    std::string name;
    std::vector<std::string> operation;  // OP and its options
    std::function<Image(const Image&)> expected;
};

Image changed(const Image& image, const std::function<void(Image&)>& operation) {
    Image copy = image;
    operation(copy);
    return copy;
}

TEST_F(Cli, AdjustWritesWhatTheOperationsMake) {
    const std::vector<AdjustCase> cases = {
        {"negative", {"negative"}, [](const Image& i) { return changed(i, negative); }},
        {"gray-scale", {"gray-scale"}, [](const Image& i) { return changed(i, grayScale); }},
        {"flip", {"flip"}, [](const Image& i) { return changed(i, flip); }},
        {"mirror", {"mirror"}, [](const Image& i) { return changed(i, mirror); }},
        {"rotate-180", {"rotate-180"}, [](const Image& i) { return changed(i, rotate180); }},
        {"rotate-right", {"rotate-right"}, [](const Image& i) { return rotateQuarter(i, true); }},
        {"rotate-left", {"rotate-left"}, [](const Image& i) { return rotateQuarter(i, false); }},
        {"crop",
         {"crop", "--rect", "2,1,5,4"},
         [](const Image& i) { return cropToSelection(i, 2, 1, 5, 4); }},
        {"two-colors defaults",
         {"two-colors"},
         [](const Image& i) {
             return changed(i, [](Image& c) {
                 twoColors(c, {128, TwoColorsDither::None, 0x000000, 0xFFFFFF});
             });
         }},
        {"two-colors sierra, slider 100, own colours",
         {"two-colors", "--threshold", "100", "--dither", "sierra", "--color1", "#102030",
          "--color2", "#F0e0D0"},
         [](const Image& i) {
             return changed(i, [](Image& c) {
                 twoColors(c, {156, TwoColorsDither::SierraLite, makeColor(0x10, 0x20, 0x30),
                               makeColor(0xF0, 0xE0, 0xD0)});
             });
         }},
        {"two-colors ordered",
         {"two-colors", "--dither", "ordered", "--threshold", "140"},
         [](const Image& i) {
             return changed(i, [](Image& c) {
                 twoColors(c, {116, TwoColorsDither::Ordered, 0x000000, 0xFFFFFF});
             });
         }},
        {"brightness green and blue wrapping",
         {"brightness", "--offset", "-40", "--channels", "gb", "--overdrive"},
         [](const Image& i) {
             return changed(i, [](Image& c) { brightness(c, {-40, false, true, true, true}); });
         }},
        {"brightness clamping",
         {"brightness", "--offset", "90"},
         [](const Image& i) {
             return changed(i, [](Image& c) { brightness(c, {90, true, true, true, false}); });
         }},
        {"contrast",
         {"contrast", "--amount", "37"},
         [](const Image& i) { return changed(i, [](Image& c) { contrast(c, 37); }); }},
        // 13 x 7: q = 7/13 in float; 30 q = 16.15 gives 16, 40 / q = 74.29 gives 74.
        {"resize width with aspect",
         {"resize", "--width", "30", "--keep-aspect"},
         [](const Image& i) { return resizeImage(i, 30, 16); }},
        {"resize height with aspect",
         {"resize", "--keep-aspect", "--height", "40"},
         [](const Image& i) { return resizeImage(i, 74, 40); }},
        {"resize clamped",
         {"resize", "--width", "99999", "--height", "0"},
         [](const Image& i) { return resizeImage(i, 4096, 16); }},
        {"resize-canvas",
         {"resize-canvas", "--width", "20", "--height", "9", "--cell", "9", "--background",
          "#00ff80"},
         [](const Image& i) { return resizeCanvas(i, 20, 9, 9, makeColor(0x00, 0xFF, 0x80)); }},
        {"resize-canvas defaults",
         {"resize-canvas"},
         [](const Image& i) { return resizeCanvas(i, 13, 7, 5, 0x000000); }},
    };
    for (int depth : {24, 32}) {
        const Image input = patternImage(13, 7, depth);
        const std::string in = path("in" + std::to_string(depth) + ".png");
        ASSERT_TRUE(writeImageFile(input, in, ImageFormat::Png).ok());
        for (const AdjustCase& c : cases) {
            SCOPED_TRACE(c.name + ", " + std::to_string(depth) + "-bit");
            std::vector<std::string> args = {"adjust"};
            args.insert(args.end(), c.operation.begin(), c.operation.end());
            args.push_back(in);
            args.push_back(path("out.png"));
            const RunResult result = run(args);
            ASSERT_EQ(result.exitCode, 0) << result.err;
            auto written = readImageFile(path("out.png"));
            ASSERT_TRUE(written.ok()) << written.error();
            EXPECT_TRUE(imagesEqual(written.value().image, c.expected(input), "cli-adjust"));
        }
    }
}

struct UsageCase {
    std::string name;
    std::vector<std::string> args;  // after "adjust"; IN and OUT are added where listed
    std::string message;
};

TEST_F(Cli, AdjustUsageErrorsNameTheOptionAndItsRange) {
    const std::string in = path("in.png"), out = path("out.png");
    ASSERT_TRUE(writeImageFile(patternImage(4, 4), in, ImageFormat::Png).ok());
    const std::vector<UsageCase> cases = {
        {"offset above range",
         {"brightness", "--offset", "129", in, out},
         "--offset must be a whole number from -128 to 128"},
        {"offset not whole", {"brightness", "--offset", "1.5", in, out}, "--offset must"},
        {"offset without value", {"brightness", in, out, "--offset"}, "--offset must"},
        {"threshold above 256",
         {"two-colors", "--threshold", "257", in, out},
         "--threshold must be a whole number from 0 to 256"},
        {"unknown dither",
         {"two-colors", "--dither", "floyd", in, out},
         "--dither must be none, ordered or sierra"},
        {"short colour", {"two-colors", "--color1", "#12345", in, out}, "--color1 must"},
        {"colour without #",
         {"resize-canvas", "--background", "00ff00", in, out},
         "--background must"},
        {"channel letter", {"brightness", "--channels", "rx", in, out}, "--channels must"},
        {"no channel", {"brightness", "--channels", "", in, out}, "--channels must"},
        {"amount below range",
         {"contrast", "--amount", "-101", in, out},
         "--amount must be a whole number from -100 to 100"},
        {"cell 0",
         {"resize-canvas", "--cell", "0", in, out},
         "--cell must be a whole number from 1 to 9"},
        {"negative width", {"resize", "--width", "-3", "--height", "5", in, out}, "--width must"},
        {"one side without keep-aspect",
         {"resize", "--width", "30", in, out},
         "resize needs --width and --height"},
        {"rect of three numbers", {"crop", "--rect", "1,2,3", in, out}, "--rect must"},
        {"rect with right before left", {"crop", "--rect", "5,0,1,3", in, out}, "--rect must"},
        {"crop without rect", {"crop", in, out}, "crop needs --rect"},
        {"unknown operation", {"blur", in, out}, "unknown adjust operation 'blur'"},
        {"option of another operation",
         {"negative", "--offset", "3", in, out},
         "unknown option '--offset' for adjust negative"},
        {"no operation", {}, "adjust needs an operation"},
        {"no OUT", {"negative", in}, "adjust negative needs IN and OUT"},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"adjust"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult result = run(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err.rfind("vandrell-cli: " + c.message, 0), 0u) << result.err;
        // The reason and a hint, not the whole usage text.
        EXPECT_EQ(lineCount(result.err), 2) << result.err;
        EXPECT_NE(result.err.find("vandrell-cli adjust --help"), std::string::npos);
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(Cli, AdjustFailuresNameTheFile) {
    const std::string in = path("in.png");
    ASSERT_TRUE(writeImageFile(patternImage(13, 7), in, ImageFormat::Png).ok());
    struct FailureCase {
        std::string name;
        std::vector<std::string> args;
        std::string file, reason;
    };
    const std::vector<FailureCase> cases = {
        {"missing input",
         {"adjust", "negative", path("missing.png"), path("out.png")},
         path("missing.png"),
         ""},
        {"rectangle past the right edge",
         {"adjust", "crop", "--rect", "0,0,13,6", in, path("out.png")},
         in,
         "13 x 7"},
        {"rectangle above the top",
         {"adjust", "crop", "--rect", "0,-1,3,3", in, path("out.png")},
         in,
         "13 x 7"},
        {"unknown output type", {"adjust", "flip", in, path("out.gif")}, path("out.gif"), ""},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult result = run(c.args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(lineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.file + ": "), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(path("out.png")));
        EXPECT_FALSE(fs::exists(path("out.gif")));
    }
}

TEST_F(Cli, CommandHelpGoesToStandardOutput) {
    const RunResult adjust = run({"adjust", "--help"});
    EXPECT_EQ(adjust.exitCode, 0);
    EXPECT_TRUE(adjust.err.empty());
    EXPECT_NE(adjust.out.find("adjust OP [options] IN OUT"), std::string::npos);
    EXPECT_NE(adjust.out.find("resize-canvas"), std::string::npos);
    EXPECT_EQ(adjust.out.find("quantize --method"), std::string::npos);

    const RunResult quantize = run({"quantize", "--help"});
    EXPECT_EQ(quantize.exitCode, 0);
    EXPECT_TRUE(quantize.err.empty());
    EXPECT_NE(quantize.out.find("quantize --method LABEL"), std::string::npos);
    EXPECT_EQ(quantize.out.find("adjust OP"), std::string::npos);

    const RunResult all = run({"--help"});
    EXPECT_NE(all.out.find("quantize --method LABEL"), std::string::npos);
    EXPECT_NE(all.out.find("adjust OP [options] IN OUT"), std::string::npos);
}

}  // namespace
}  // namespace vd::test
