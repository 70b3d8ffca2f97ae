#include "tests/support/codec_manifest.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "io/image_codec.h"
#include "tests/support/test_util.h"

namespace vd::test {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator)) parts.push_back(part);
    return parts;
}

int numberOrMinusOne(const std::string& text) { return text == "-" ? -1 : std::atoi(text.c_str()); }

}  // namespace

std::vector<ManifestCase> readManifest(const std::string& suite) {
    const auto folder = testdataDir() / "codecs" / suite;
    std::ifstream manifest(folder / "manifest.tsv");
    std::vector<ManifestCase> cases;
    std::string line;
    std::getline(manifest, line);  // header
    while (std::getline(manifest, line)) {
        auto columns = split(line, '\t');
        if (columns.size() < 8) continue;
        ManifestCase c;
        c.suite = suite;
        c.path = (folder / columns[0]).string();
        c.expect = columns[2];
        if (columns[3] != "-") {
            for (const auto& ref : split(columns[3], ';')) c.refs.push_back((folder / ref).string());
        }
        c.width = numberOrMinusOne(columns[4]);
        c.height = numberOrMinusOne(columns[5]);
        c.hasAlpha = columns[6];
        c.maxDiff = numberOrMinusOne(columns[7]);
        if (columns.size() > 8) c.notes = columns[8];
        cases.push_back(std::move(c));
    }
    return cases;
}

std::string compareWithReference(const Image& decoded, const Image& reference, int maxDiff) {
    if (decoded.width() != reference.width() || decoded.height() != reference.height()) {
        return "size " + std::to_string(decoded.width()) + "x" + std::to_string(decoded.height()) +
               " against " + std::to_string(reference.width()) + "x" +
               std::to_string(reference.height());
    }
    for (int y = 0; y < decoded.height(); ++y) {
        for (int x = 0; x < decoded.width(); ++x) {
            const Color a = decoded.at(x, y) | (decoded.hasAlpha() ? 0 : kAlphaMask);
            const Color b = reference.at(x, y) | (reference.hasAlpha() ? 0 : kAlphaMask);
            if (alphaOf(a) == 0 && alphaOf(b) == 0) continue;
            for (int shift = 0; shift < 32; shift += 8) {
                const int da = static_cast<int>((a >> shift) & 0xFF);
                const int db = static_cast<int>((b >> shift) & 0xFF);
                if (std::abs(da - db) > maxDiff) {
                    std::ostringstream why;
                    why << "pixel (" << x << ", " << y << ") channel " << shift / 8 << " is " << da
                        << ", reference " << db;
                    return why.str();
                }
            }
        }
    }
    return {};
}

namespace {

void expectMatchesSomeReference(const ManifestCase& c, const Image& decoded) {
    if (c.refs.empty() || c.maxDiff < 0) return;
    std::string differences;
    for (const auto& refPath : c.refs) {
        auto ref = readImageFile(refPath);
        ASSERT_TRUE(ref.ok()) << refPath << ": " << ref.error();
        std::string why = compareWithReference(decoded, ref.value().image, c.maxDiff);
        if (why.empty()) return;
        differences += "\n  " + refPath + ": " + why;
    }
    ADD_FAILURE() << c.path << " matches no reference:" << differences;
}

}  // namespace

void checkManifestCase(const ManifestCase& c) {
    auto decoded = readImageFile(c.path);
    if (c.expect == "reject") {
        EXPECT_FALSE(decoded.ok()) << c.path << " should be refused";
        return;
    }
    if (c.expect == "decode") {
        ASSERT_TRUE(decoded.ok()) << c.path << ": " << decoded.error();
    }
    if (!decoded.ok()) {
        EXPECT_FALSE(decoded.error().empty()) << "a refusal must say why";
        return;
    }
    const Image& image = decoded.value().image;
    if (c.expect == "decode" && c.width > 0) {
        // The size of the first reference; a later reference may be turned (EXIF).
        if (c.refs.size() <= 1) {
            EXPECT_EQ(image.width(), c.width);
            EXPECT_EQ(image.height(), c.height);
        }
        if (c.hasAlpha == "yes") {
            EXPECT_EQ(image.depth(), 32) << c.path;
        } else if (c.hasAlpha == "no") {
            EXPECT_EQ(image.depth(), 24) << c.path;
        }
    }
    expectMatchesSomeReference(c, image);
}

std::string manifestCaseName(const testing::TestParamInfo<ManifestCase>& info) {
    std::string name;
    for (char ch : info.param.path.substr(info.param.path.find("/codecs/") + 8)) {
        name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    }
    return name;
}

}  // namespace vd::test
