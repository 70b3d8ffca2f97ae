#pragma once

// The real main window with a private temporary folder for files to load and save.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "io/image_codec.h"
#include "tests/app/app_fixture.h"

namespace vd::test {

class FilesTest : public AppWindowTest {
  protected:
    std::filesystem::path dir;

    void SetUp() override {
        AppWindowTest::SetUp();
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("vd-files-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
        AppWindowTest::TearDown();
    }

    std::string pathOf(const std::string& name) const { return (dir / name).string(); }

    // Writes `picture` as a file of this folder and returns its full path.
    std::string writePicture(const std::string& name, const Image& picture,
                             ImageFormat format = ImageFormat::Png) {
        const std::string path = pathOf(name);
        EXPECT_TRUE(writeImageFile(picture, path, format).ok()) << path;
        return path;
    }
    static void writeText(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string readText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static Image readBack(const std::string& path) {
        Result<DecodedImage> decoded = readImageFile(path);
        EXPECT_TRUE(decoded.ok()) << path << ": " << decoded.error();
        return decoded.ok() ? decoded.value().image : Image();
    }

    // The user chooses `path` in the open-file requester (empty: cancels it).
    void loadFile(const std::string& path) {
        requesters.files.push_back({path, 0});
        run(menuEvent(MENU_LOAD_IMAGE));
    }
    // The user types `path` in the save requester with this filter. A question about an
    // existing file takes the next queued answer.
    void saveFile(const std::string& path, int filterIndex) {
        requesters.files.push_back({path, filterIndex});
        run(menuEvent(MENU_SAVE_IMAGE));
    }
};

}  // namespace vd::test
