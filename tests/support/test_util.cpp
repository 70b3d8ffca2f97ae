#include "tests/support/test_util.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "io/image_codec.h"

namespace vd::test {

std::filesystem::path testdataDir() { return std::filesystem::path(VD_SHARED_DIR) / "testdata"; }

std::filesystem::path scratchDir(const std::string& name) {
    // The process id keeps two runs of the same test (ctest and a person, say) apart.
    auto dir = std::filesystem::path(VD_BUILD_DIR) / "test-scratch" /
               (name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

Image imageFromPixels(int width, int height, const std::vector<Color>& pixels, int depth) {
    Image image(width, height, depth);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Color c = pixels.at(static_cast<std::size_t>(y) * width + x);
            image.at(x, y) = depth == 24 ? (c | kAlphaMask) : c;
        }
    }
    return image;
}

Image patternImage(int width, int height, int depth) {
    Image image(width, height, depth);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Color c = static_cast<Color>(x * 2654435761u ^ y * 40503u ^ (x + 7) * (y + 3));
            image.at(x, y) = depth == 24 ? (c | kAlphaMask) : c;
        }
    }
    return image;
}

namespace {
void dumpImage(const Image& image, const std::string& fileName) {
    auto dir = std::filesystem::path(VD_BUILD_DIR) / "test-failures";
    std::filesystem::create_directories(dir);
    if (!image.empty()) (void)writeImageFile(image, (dir / fileName).string(), ImageFormat::Png);
}
}  // namespace

testing::AssertionResult imagesEqual(const Image& actual, const Image& expected,
                                     const std::string& name) {
    auto fail = [&](const std::string& why) {
        dumpImage(actual, name + ".actual.png");
        dumpImage(expected, name + ".expected.png");
        return testing::AssertionFailure() << name << ": " << why;
    };
    if (actual.width() != expected.width() || actual.height() != expected.height()) {
        return fail("size " + std::to_string(actual.width()) + "x" +
                    std::to_string(actual.height()) + ", expected " +
                    std::to_string(expected.width()) + "x" + std::to_string(expected.height()));
    }
    if (actual.depth() != expected.depth()) {
        return fail("depth " + std::to_string(actual.depth()) + ", expected " +
                    std::to_string(expected.depth()));
    }
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            if (actual.at(x, y) != expected.at(x, y)) {
                char text[128];
                std::snprintf(text, sizeof text, "pixel (%d, %d) is %08X, expected %08X", x, y,
                              actual.at(x, y), expected.at(x, y));
                return fail(text);
            }
        }
    }
    return testing::AssertionSuccess();
}

int largestChannelDifference(const Image& a, const Image& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const Color p = a.at(x, y), q = b.at(x, y);
            largest =
                std::max({largest, std::abs(redOf(p) - redOf(q)), std::abs(greenOf(p) - greenOf(q)),
                          std::abs(blueOf(p) - blueOf(q))});
        }
    }
    return largest;
}

}  // namespace vd::test
