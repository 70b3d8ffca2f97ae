#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/image/image.h"

namespace vd::test {

// The shared test data folder (../shared/testdata beside the repository).
std::filesystem::path testdataDir();
// A fresh, empty folder for one test's files, inside the build folder.
std::filesystem::path scratchDir(const std::string& name);

// An image of the given size whose pixels are listed row by row.
Image imageFromPixels(int width, int height, const std::vector<Color>& pixels, int depth = 24);
// Every pixel distinct (a hash of its position); handy for geometry checks.
Image patternImage(int width, int height, int depth = 24);

// The largest difference of one colour byte between pixels at the same place (images of the
// same size); for lossy codecs.
int largestChannelDifference(const Image& a, const Image& b);

// Pixels compared bit for bit (alpha included) with a readable first difference; on a
// mismatch both images are written as PNG into the build folder for a person to look at.
testing::AssertionResult imagesEqual(const Image& actual, const Image& expected,
                                     const std::string& name = "image");

}  // namespace vd::test
