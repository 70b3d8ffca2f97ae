// Files that cannot be read, chosen in the open requester after some work: the conformance
// suites' refused files, our own hostile files, a missing file and a folder. Each leaves the
// pictures, the undo steps and the loaded name as they were, and the status bar says why
// until the picture is next shown.

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "quantize/quantize.h"
#include "tests/app/app_fixture.h"
#include "tests/support/codec_manifest.h"
#include "tests/support/hostile_files.h"
#include "tests/support/test_util.h"

namespace vd::test {
namespace {

struct RefusedFile {
    std::string name;  // of the test
    std::string path;
    std::string reasonMentions;  // empty: any reason will do
};

std::string testName(const std::string& text) {
    std::string name;
    for (char ch : text) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
}

// The extension a file of that kind would have; the reader goes by content anyway.
std::string extensionFor(const std::string& name) {
    if (name.rfind("jpeg_", 0) == 0) return ".jpg";
    if (name.rfind("bmp_", 0) == 0) return ".bmp";
    return ".png";
}

std::vector<RefusedFile> refusedFiles() {
    std::vector<RefusedFile> files;
    for (const char* suite : {"png", "bmp", "jpeg"}) {
        for (const ManifestCase& c : readManifest(suite)) {
            if (c.expect != "reject") continue;
            const std::string relative = c.path.substr(c.path.find("/codecs/") + 8);
            files.push_back({testName(relative), c.path, ""});
        }
    }
    const std::filesystem::path folder = scratchDir("refused_files");
    for (const HostileFile& file : hostileFiles()) {
        const std::filesystem::path path = folder / (file.name + extensionFor(file.name));
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.bytes.data()),
                   static_cast<std::streamsize>(file.bytes.size()));
        files.push_back({"hostile_" + file.name, path.string(), file.errorMentions});
    }
    files.push_back({"missing_file", (folder / "no such file.png").string(),
                     "No such file or directory"});
    files.push_back({"folder", folder.string(), ""});
    return files;
}

void PrintTo(const RefusedFile& file, std::ostream* os) { *os << file.path; }

// Everything a refused load must leave alone.
struct Snapshot {
    std::map<int, Image> images;
    int undoFlags;
    std::string loadedPath, loadedTitle;
    ImageNumber imageInView;

    explicit Snapshot(const AppState& s)
        : undoFlags(s.undoFlags),
          loadedPath(s.loadedPath),
          loadedTitle(s.loadedTitle),
          imageInView(s.imageInView) {
        for (ImageNumber n : {s.imgReference, s.imgReferenceUndo, s.imgWork, s.imgWorkUndo,
                              IMG_ORIGINAL}) {
            if (const Image* image = s.images.get(n)) images[toInt(n)] = *image;
        }
    }
    bool operator==(const Snapshot&) const = default;
};

class RefusedFileLoad : public AppWindowTest, public testing::WithParamInterface<RefusedFile> {
  protected:
    void load(const std::string& path) {
        requesters.files.push_back({path, 0});
        run(menuEvent(MENU_LOAD_IMAGE));
    }

    // A photo loaded, quantized and edited, so that both views have an undo step.
    void doSomeWork() {
        load((testdataDir() / "photos" / "kodim05.png").string());
        gui.selectRow(GAD_METHOD, static_cast<int>(QuantizeMethod::Popularity));
        run(controlEvent(GAD_METHOD));
        run(controlEvent(GAD_APPLY));
        run(menuEvent(MENU_NEGATIVE));
        run(controlEvent(GAD_VIEW_REFERENCE));
        run(menuEvent(MENU_MIRROR));
    }
};

TEST_P(RefusedFileLoad, LeavesEverythingAsItWasAndSaysWhy) {
    doSomeWork();
    const std::string shownBefore = gui.statusText(WIN_MAIN, 0);
    ASSERT_EQ(shownBefore, "kodim05.png  |  (768 x 512)");
    const Snapshot before(s);
    requesters.asked.clear();

    load(GetParam().path);

    EXPECT_TRUE(Snapshot(s) == before) << "a picture, an undo step or the loaded name changed";
    EXPECT_EQ(requesters.asked, std::vector<std::string>{"open: Select image to process"})
        << "no question box after the requester";
    const std::string name = std::filesystem::path(GetParam().path).filename().string();
    const std::string status = gui.statusText(WIN_MAIN, 0);
    const std::string prefix = "cannot read " + name + ": ";
    ASSERT_EQ(status.substr(0, prefix.size()), prefix) << status;
    EXPECT_GT(status.size(), prefix.size()) << "the reason is missing";
    if (!GetParam().reasonMentions.empty()) {
        EXPECT_NE(status.find(GetParam().reasonMentions), std::string::npos) << status;
    }

    // The next redraw shows the file and the size again.
    run(controlEvent(GAD_VIEW_WORK));
    EXPECT_EQ(gui.statusText(WIN_MAIN, 0), shownBefore);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFileLoad, testing::ValuesIn(refusedFiles()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vd::test
