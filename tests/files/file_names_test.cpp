#include <gtest/gtest.h>

#include <string>

#include "files/file_names.h"

namespace vd::test {
namespace {

TEST(SavePath, TheFilterReplacesTheLastExtensionOfTheFileNameOnly) {
    struct Case {
        const char* typed;
        int filter;
        const char* written;
    };
    const Case cases[] = {
        {"a.b.c", SAVE_FILTER_BMP, "a.b.bmp"},
        {"photo", SAVE_FILTER_JPEG, "photo.jpg"},
        {"photo.jpg", SAVE_FILTER_PNG, "photo.png"},
        {"photo.png", SAVE_FILTER_PNG, "photo.png"},
        {"/x/dir.d/name", SAVE_FILTER_PNG, "/x/dir.d/name.png"},
        {"/x/dir.d/name.tif", SAVE_FILTER_BMP, "/x/dir.d/name.bmp"},
        {"C:\\pics.old\\flower", SAVE_FILTER_JPEG, "C:\\pics.old\\flower.jpg"},
        {"C:\\pics\\flower.PNG", SAVE_FILTER_BMP, "C:\\pics\\flower.bmp"},
        {"/x/dir.d\\name", SAVE_FILTER_PNG, "/x/dir.d\\name.png"},
        {"name.", SAVE_FILTER_PNG, "name.png"},
        {"/x/.hidden", SAVE_FILTER_PNG, "/x/.png"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(withFilterExtension(c.typed, c.filter), c.written)
            << c.typed << " with filter " << c.filter;
    }
}

TEST(SavePath, EachFilterHasItsFormat) {
    EXPECT_EQ(filterFormat(SAVE_FILTER_PNG), ImageFormat::Png);
    EXPECT_EQ(filterFormat(SAVE_FILTER_JPEG), ImageFormat::Jpeg);
    EXPECT_EQ(filterFormat(SAVE_FILTER_BMP), ImageFormat::Bmp);
    // An index no filter has falls back to the first filter, for name and format alike.
    EXPECT_EQ(filterFormat(7), ImageFormat::Png);
    EXPECT_EQ(withFilterExtension("x", -1), "x.png");
}

TEST(FileTitle, DropsTheFolderAndTheLastExtension) {
    EXPECT_EQ(fileTitle("/home/me/flower.png"), "flower");
    EXPECT_EQ(fileTitle("C:\\pics\\flower.png"), "flower");
    EXPECT_EQ(fileTitle("/a.d/archive.tar.gz"), "archive.tar");
    EXPECT_EQ(fileTitle("/a.d/noextension"), "noextension");
    EXPECT_EQ(fileTitle("plain.bmp"), "plain");
    EXPECT_EQ(fileTitle(""), "");
}

}  // namespace
}  // namespace vd::test
