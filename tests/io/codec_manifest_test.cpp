#include <gtest/gtest.h>

#include "tests/support/codec_manifest.h"

namespace vd::test {
namespace {

// Every file of the shared codec suites: decoded to its reference pixels, refused, or (for
// the questionable ones) either of the two, never a crash.
class CodecManifest : public testing::TestWithParam<ManifestCase> {};

TEST_P(CodecManifest, DecodesAsTheManifestSays) { checkManifestCase(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Png, CodecManifest, testing::ValuesIn(readManifest("png")),
                         manifestCaseName);
INSTANTIATE_TEST_SUITE_P(Bmp, CodecManifest, testing::ValuesIn(readManifest("bmp")),
                         manifestCaseName);
INSTANTIATE_TEST_SUITE_P(Jpeg, CodecManifest, testing::ValuesIn(readManifest("jpeg")),
                         manifestCaseName);

TEST(CodecManifestFiles, AreThere) {
    EXPECT_GT(readManifest("png").size(), 100u);
    EXPECT_GT(readManifest("bmp").size(), 50u);
    EXPECT_GT(readManifest("jpeg").size(), 15u);
}

}  // namespace
}  // namespace vd::test
