#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "io/image_codec.h"
#include "quantize/color_index.h"
#include "quantize/neuquant.h"
#include "quantize/quantize.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char ch : text) result += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return result + "'";
}

class Cli : public testing::Test {
protected:
    void SetUp() override {
        dir_ = scratchDir(std::string("cli-") +
                          testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    RunResult run(const std::vector<std::string>& args) {
        std::string command = quoted(VD_CLI_PATH);
        for (const auto& arg : args) {
            command += ' ';
            command += quoted(arg);
        }
        command += " >";
        command += quoted((dir_ / "stdout").string());
        command += " 2>";
        command += quoted((dir_ / "stderr").string());
        command += " </dev/null";
        const int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = readText(dir_ / "stdout");
        result.err = readText(dir_ / "stderr");
        return result;
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string photo() { return (testdataDir() / "photos" / "kodim05.png").string(); }

    fs::path dir_;
};

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

}  // namespace
}  // namespace vd::test
