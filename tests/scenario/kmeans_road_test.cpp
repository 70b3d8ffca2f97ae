// Kmeans as a person uses it: the last row of the method list, its own Limit, Apply on a
// photo; the command line tool must make the same picture from the same file.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "io/image_codec.h"
#include "quantize/quantize.h"
#include "tests/canvas/main_window_fixture.h"
#include "tests/support/test_util.h"
#include "tests/support_gui/gui_driver.h"

namespace vd::test {
namespace {

class KmeansRoad : public MainWindowTest {
  protected:
    std::filesystem::path photo = testdataDir() / "photos" / "kodim03.png";

    void loadPhoto() {
        requesters.files.push_back({photo.string(), 0});
        pressKey(gui, 'L', gui::MOD_CTRL);
        runLoop();
    }

    // What `vandrell-cli quantize` writes for the photo with these arguments.
    Image fromTheCommandLine(const std::string& arguments) {
        const std::filesystem::path out = scratchDir("kmeans_road") / "out.png";
        const std::string command = std::string("'") + VD_CLI_PATH + "' quantize " + arguments +
                                    " '" + photo.string() + "' '" + out.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        auto read = readImageFile(out.string());
        EXPECT_TRUE(read.ok());
        return read ? read.value().image : Image();
    }
};

TEST_F(KmeansRoad, ApplyWithLimitSixteenGivesTheCommandLinePicture) {
    loadPhoto();
    const int kmeansRow = static_cast<int>(QuantizeMethod::Kmeans);
    chooseRow(gui, GAD_METHOD, kmeansRow);
    runLoop();
    ASSERT_EQ(gui.selectedRow(GAD_METHOD), kmeansRow);
    EXPECT_EQ(gui.text(GAD_LIMIT), "256");
    stepSpinBox(gui, GAD_LIMIT, -240);
    runLoop();
    ASSERT_EQ(gui.text(GAD_LIMIT), "16");

    for (bool dither : {false, true}) {
        SCOPED_TRACE(dither ? "dithered" : "plain");
        if (gui.isChecked(GAD_DITHER) != dither) clickControl(gui, GAD_DITHER);
        clickControl(gui, GAD_APPLY);
        runLoop();
        EXPECT_EQ(s.imageInView, s.imgWork);
        const Image expected = fromTheCommandLine(std::string("--method Kmeans --limit 16") +
                                                  (dither ? " --dither" : ""));
        EXPECT_TRUE(imagesEqual(image(s.imgWork), expected, "kmeans16"));
        EXPECT_EQ(s.currentPalette.size(), 16u) << "the palette window counts the colours";
    }
}

}  // namespace
}  // namespace vd::test
