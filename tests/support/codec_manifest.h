#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/image/image.h"

namespace vd::test {

// One line of a codec suite's manifest.tsv.
struct ManifestCase {
    std::string suite;               // "png", "bmp" or "jpeg"
    std::string path;                // absolute path of the test file
    std::string expect;              // "decode", "reject" or "either"
    std::vector<std::string> refs;   // absolute paths of acceptable reference PNGs
    int width = -1, height = -1;     // -1 where the manifest says "-"
    std::string hasAlpha;            // "yes", "no", "either" or "-"
    int maxDiff = -1;                // -1: no pixel check
    std::string notes;
};

// Every case of ../shared/testdata/codecs/<suite>/manifest.tsv.
std::vector<ManifestCase> readManifest(const std::string& suite);

// Runs one case through decodeImage and checks it as the suites' README says.
void checkManifestCase(const ManifestCase& c);

// Compares a decoded image with an RGBA reference: pixels transparent in both are equal;
// every other channel within maxDiff. Empty on a match, else the first difference.
std::string compareWithReference(const Image& decoded, const Image& reference, int maxDiff);

inline void PrintTo(const ManifestCase& c, std::ostream* os) { *os << c.path; }
std::string manifestCaseName(const testing::TestParamInfo<ManifestCase>& info);

}  // namespace vd::test
