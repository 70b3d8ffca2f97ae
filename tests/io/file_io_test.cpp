#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "io/file_io.h"
#include "io/image_codec.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Only the target is left in the folder: no temporary file survives.
std::size_t filesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(WriteFileAtomically, ReplacesTheTarget) {
    const auto dir = scratchDir("atomic-replace");
    const auto target = dir / "out.bin";
    writeText(target, "old");
    ASSERT_TRUE(writeFileAtomically(target.string(), bytesOf("new contents")).ok());
    EXPECT_EQ(contentsOf(target), "new contents");
    EXPECT_EQ(filesIn(dir), 1u);
}

// A write that fails half way (here: the file size limit) leaves the old file as it was.
TEST(WriteFileAtomically, FailedWriteKeepsTheOldFile) {
    const auto dir = scratchDir("atomic-fail");
    const auto target = dir / "keep.bin";
    writeText(target, "precious");

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string big(100000, 'x');
    Status status = writeFileAtomically(target.string(), bytesOf(big));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(status.error().empty());
    EXPECT_EQ(contentsOf(target), "precious");
    EXPECT_EQ(filesIn(dir), 1u);
}

TEST(WriteFileAtomically, RefusesFoldersAndMissingFolders) {
    const auto dir = scratchDir("atomic-bad-target");
    EXPECT_FALSE(writeFileAtomically(dir.string(), bytesOf("x")).ok());
    EXPECT_FALSE(writeFileAtomically((dir / "no" / "such.bin").string(), bytesOf("x")).ok());
    EXPECT_EQ(filesIn(dir), 0u);
}

TEST(ReadFileBytes, ReadsAndRefuses) {
    const auto dir = scratchDir("read-bytes");
    writeText(dir / "a.bin", "abc");
    auto bytes = readFileBytes((dir / "a.bin").string());
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(bytes.value().size(), 3u);
    EXPECT_FALSE(readFileBytes((dir / "missing.bin").string()).ok());
    EXPECT_FALSE(readFileBytes(dir.string()).ok());
    EXPECT_FALSE(readFileBytes((dir / "a.bin").string(), 2).ok());
}

TEST(ImageFormat, IsRecognisedByContentOnly) {
    const std::uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0};
    const std::uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0};
    const std::uint8_t bmp[] = {'B', 'M', 0, 0};
    const std::uint8_t text[] = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(detectFormat(png), ImageFormat::Png);
    EXPECT_EQ(detectFormat(jpeg), ImageFormat::Jpeg);
    EXPECT_EQ(detectFormat(bmp), ImageFormat::Bmp);
    EXPECT_EQ(detectFormat(text), ImageFormat::Unknown);
    EXPECT_EQ(detectFormat({}), ImageFormat::Unknown);
    EXPECT_EQ(detectFormat(std::span(png, 7)), ImageFormat::Unknown);
}

TEST(ImageFormat, ExtensionDecidesOnlyTheOutput) {
    EXPECT_EQ(formatForExtension("a/b.PNG"), ImageFormat::Png);
    EXPECT_EQ(formatForExtension("x.jpeg"), ImageFormat::Jpeg);
    EXPECT_EQ(formatForExtension("x.Jpg"), ImageFormat::Jpeg);
    EXPECT_EQ(formatForExtension("x.bmp"), ImageFormat::Bmp);
    EXPECT_EQ(formatForExtension("x.gif"), ImageFormat::Unknown);
    EXPECT_EQ(formatForExtension("folder.png/x"), ImageFormat::Unknown);
}

TEST(LoadImageFile, NamesTheReasonForFilesThatAreNoImage) {
    const auto dir = scratchDir("load-not-image");
    writeText(dir / "text.png", "this is not a picture");
    writeText(dir / "empty.png", "");
    for (const char* name : {"text.png", "empty.png", "missing.png"}) {
        auto result = readImageFile((dir / name).string());
        EXPECT_FALSE(result.ok()) << name;
        EXPECT_FALSE(result.error().empty()) << name;
    }
}

TEST(WriteImageFile, AFailedEncodeKeepsTheOldFile) {
    const auto dir = scratchDir("save-unknown");
    const auto target = dir / "picture.gif";
    writeText(target, "old");
    Status status = writeImageFile(Image(2, 2, 24), target.string(), ImageFormat::Unknown);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(contentsOf(target), "old");
}

}  // namespace
}  // namespace vd::test
