// compare, --stats and --jobs of the command line tool, on files made by the test.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/image_codec.h"
#include "quantize/quality.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

namespace fs = std::filesystem;

// A picture whose pixels differ, so that every method has work to do; `seed` varies it.
Image varied(int width, int height, int seed) {
    Image picture(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.at(x, y) = makeColor((x * 7 + seed * 31) & 255, (y * 5 + seed) & 255,
                                         (x * y + seed * 11) & 255);
    return picture;
}

class CliFigures : public Cli {
  protected:
    std::string writePicture(const std::string& name, const Image& picture) {
        EXPECT_TRUE(writeImageFile(picture, path(name), ImageFormat::Png).ok());
        return path(name);
    }
};

TEST_F(CliFigures, CompareGivesTheFiguresOfAKnownDifference) {
    // Red 10 higher everywhere: MSE over the three colour bytes is 100 / 3, and a blur of
    // both leaves the same difference.
    const Image gray(30, 20, 24, makeColor(100, 100, 100));
    const std::string a = writePicture("a.png", gray);
    const std::string b = writePicture("b.png", Image(30, 20, 24, makeColor(110, 100, 100)));
    const RunResult result = run({"compare", a, b});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const double deltaE =
        ciede2000(labOf(makeColor(100, 100, 100)), labOf(makeColor(110, 100, 100)));
    const double psnr = 10 * std::log10(255.0 * 255.0 * 3 / 100);
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "PSNR %.2f dB, mean dE2000 %.4f, max dE2000 %.4f, 600 pixels differ, "
                  "blurred PSNR %.2f dB\n",
                  psnr, deltaE, deltaE, psnr);
    EXPECT_EQ(result.out, expected);

    EXPECT_EQ(run({"compare", a, a}).out,
              "PSNR inf dB, mean dE2000 0.0000, max dE2000 0.0000, 0 pixels differ, "
              "blurred PSNR inf dB\n");
}

TEST_F(CliFigures, CompareRefusesPicturesOfDifferentSizesNamingBoth) {
    const std::string a = writePicture("a.png", Image(30, 20, 24));
    const std::string b = writePicture("b.png", Image(20, 30, 24));
    const RunResult result = run({"compare", a, b});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("20 x 30"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("30 x 20"), std::string::npos) << result.err;
    EXPECT_EQ(run({"compare", a}).exitCode, 2);
}

TEST_F(CliFigures, StatsPrintOneJsonLinePerOutputWithThePsnrOfTheResult) {
    const Image picture = varied(64, 48, 3);
    const std::string in = writePicture("in.png", picture);
    const RunResult q = run({"quantize", "--method", "Popularity", "--limit", "16", "--dither",
                             "--stats", in, path("q.png")});
    ASSERT_EQ(q.exitCode, 0) << q.err;
    const Image result = readImageFile(path("q.png")).value().image;
    char psnrText[32];
    std::snprintf(psnrText, sizeof psnrText, "%.4f", psnr(picture, result));
    const std::string start = "{\"input\": \"" + in + "\", \"output\": \"" + path("q.png") +
                              "\", \"method\": \"Popularity\", \"limit\": 16, \"dither\": true, " +
                              "\"colors\": 16, \"psnr\": " + psnrText + ", \"ms\": ";
    EXPECT_EQ(q.out.substr(0, start.size()), start) << q.out;
    EXPECT_EQ(std::count(q.out.begin(), q.out.end(), '\n'), 1);

    const RunResult fixed = run({"quantize", "--method", "Fixed_16", "--stats", in, path("f.png")});
    EXPECT_NE(fixed.out.find("\"method\": \"Fixed_16\", \"limit\": null, \"dither\": false"),
              std::string::npos)
        << fixed.out;
    const RunResult adjusted = run({"adjust", "flip", "--stats", in, path("a.png")});
    EXPECT_NE(adjusted.out.find("\"method\": \"flip\", \"limit\": null"), std::string::npos)
        << adjusted.out;
}

// Kmeans gives each picture one thread when pictures go side by side, and its own helpers
// when they go one at a time: the files must not tell.
TEST_F(CliFigures, ABatchOnTwoThreadsWritesWhatOneThreadWrites) {
    std::vector<std::string> inputs;
    for (int i = 0; i < 24; ++i)
        inputs.push_back(writePicture("in" + std::to_string(i) + ".png", varied(96, 64, i)));
    for (const std::string method : {"Adaptive", "Kmeans"}) {
        SCOPED_TRACE(method);
        for (const std::string jobs : {"1", "2"}) {
            const std::string out = "out-" + method + jobs;
            std::vector<std::string> args = {"quantize", "--method", method,         "--limit",
                                             "64",       "--dither", "--output-dir", path(out),
                                             "--jobs",   jobs};
            args.insert(args.end(), inputs.begin(), inputs.end());
            fs::create_directory(path(out));
            const RunResult result = run(args);
            ASSERT_EQ(result.exitCode, 0) << result.err;
            EXPECT_EQ(result.err, "") << "no progress lines when standard error is no terminal";
        }
        for (int i = 0; i < 24; ++i) {
            const std::string name = "in" + std::to_string(i) + ".png";
            SCOPED_TRACE(name);
            const std::string serial = readText(path("out-" + method + "1/" + name));
            EXPECT_FALSE(serial.empty());
            EXPECT_EQ(serial, readText(path("out-" + method + "2/" + name)));
        }
    }
}

TEST_F(CliFigures, AFailedFileInABatchIsReportedAndTheOthersGoOn) {
    const std::string good = writePicture("good.png", varied(32, 32, 1));
    std::ofstream(path("bad.png")) << "not a picture";
    fs::create_directory(path("out"));
    const RunResult result = run({"quantize", "--method", "flat_8", "--output-dir", path("out"),
                                  "--jobs", "2", path("bad.png"), good});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("bad.png"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists(path("out/good.png")));
    EXPECT_EQ(run({"quantize", "--method", "flat_8", "--jobs", "0", "--output-dir", path("out"),
                   good})
                  .exitCode,
              2);
}

}  // namespace
}  // namespace vd::test
