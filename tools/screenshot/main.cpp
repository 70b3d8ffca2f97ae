// Runs the real program offscreen through a scripted session and writes PNG pictures of the
// main window at each stage, so a person can look at the program without a screen.
//
//   vandrell-screenshot [output-folder]    (default: the current folder)

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/commands.h"
#include "app/state.h"
#include "io/image_codec.h"
#include "platform/gui/application.h"
#include "platform/gui/gui.h"
#include "platform/gui/seams.h"

namespace {

using namespace vd;

class Session {
  public:
    explicit Session(std::filesystem::path folder) : folder_(std::move(folder)) {
        state_.gui = &gui_;
        initializeState(state_);
    }

    bool start() { return buildMainWindow(state_) != 0; }

    // Runs what is queued, as the main loop would, until nothing is left.
    void settle() {
        while (gui_.hasPendingEvents()) {
            const gui::Event event = gui_.waitEvent(0);
            if (event.kind == gui::EventKind::Timeout) break;
            dispatchEvent(state_, event);
        }
    }

    // The photo goes straight into the reference image, as loading a file would put it.
    bool loadReference(const std::filesystem::path& path) {
        Result<DecodedImage> decoded = readImageFile(path.string());
        if (!decoded) {
            std::fprintf(stderr, "cannot load %s: %s\n", path.string().c_str(),
                         decoded.error().c_str());
            return false;
        }
        state_.loadedPath = path.string();
        state_.loadedTitle = path.stem().string();
        state_.images.put(state_.imgReference, std::move(decoded.value().image));
        state_.images.copy(state_.imgReference, IMG_ORIGINAL);
        refreshDisplay(state_);
        settle();
        return true;
    }

    void control(ControlNumber c, int type = gui::CONTROL_ACTIVATED) {
        gui::Event event;
        event.kind = gui::EventKind::Control;
        event.window = WIN_MAIN;
        event.control = c;
        event.type = type;
        gui_.postEvent(event);
        settle();
    }

    void quantizeWithPopularityDithered() {
        gui_.selectRow(GAD_METHOD, 1);
        control(GAD_METHOD);
        gui_.setChecked(GAD_DITHER, true);
        control(GAD_APPLY);
    }

    // Drags a rectangle on the canvas from one pixel to another with the scripted clock.
    void select(gui::Point from, gui::Point to) {
        pointAt(from);
        clock_.schedule(100, [this, to] { pointAt(to); });
        clock_.schedule(200, [this] { gui_.postCustomEvent(EVT_CANVAS_LEFT_UP); });
        canvasPress(state_, GAD_CANVAS);
        settle();
    }

    bool shoot(const std::string& name) {
        const Image picture = gui_.grabWindow(WIN_MAIN);
        const std::filesystem::path path = folder_ / (name + ".png");
        const Status saved = writeImageFile(picture, path.string(), ImageFormat::Png);
        if (!saved) {
            std::fprintf(stderr, "cannot write %s: %s\n", path.string().c_str(),
                         saved.error().c_str());
            return false;
        }
        std::printf("%s (%d x %d)\n", path.string().c_str(), picture.width(), picture.height());
        return true;
    }

  private:
    void pointAt(gui::Point canvasPixel) {
        const gui::Point canvas = gui_.controlScreenPosition(GAD_CANVAS);
        gui_.movePointer({canvas.x + canvasPixel.x, canvas.y + canvasPixel.y});
    }

    std::filesystem::path folder_;
    gui::ScriptedRequesters requesters_;
    gui::ManualClock clock_;
    gui::FixedDesktop desktop_{1920, 1080, "/tmp", "/tmp"};
    gui::Gui gui_{requesters_, clock_, desktop_};
    AppState state_;
};

}  // namespace

int main(int argc, char** argv) {
    gui::Application application(argc, argv, gui::Application::Mode::Tests);
    const std::filesystem::path folder = argc > 1 ? argv[1] : ".";
    std::filesystem::create_directories(folder);

    Session session(folder);
    if (!session.start()) {
        std::fprintf(stderr, "the main window could not be opened\n");
        return 1;
    }
    session.settle();
    bool ok = session.shoot("1-start");
    const auto photo = std::filesystem::path(VD_SHARED_DIR) / "testdata/photos/kodim05.png";
    if (!session.loadReference(photo)) return 1;
    ok = session.shoot("2-reference") && ok;
    session.quantizeWithPopularityDithered();
    ok = session.shoot("3-popularity-dithered") && ok;
    session.select({120, 80}, {419, 279});
    ok = session.shoot("4-selection") && ok;
    return ok ? 0 : 1;
}
