// Runs the real program offscreen through a scripted session and writes PNG pictures of the
// main window and its tool windows at each stage, so a person can look at the program without a
// screen.
//
//   vandrell-screenshot [output-folder]    (default: the current folder)

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "app/state.h"
#include "io/image_codec.h"
#include "quantize/quantize.h"
#include "platform/gui/application.h"
#include "platform/gui/gui.h"
#include "platform/gui/seams.h"
#include "platform/image/draw.h"

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

    // "load image" with the photo chosen in the open requester.
    bool loadReference(const std::filesystem::path& path) {
        requesters_.files.push_back({path.string(), 0});
        menu(MENU_LOAD_IMAGE);
        if (state_.loadedPath != path.string()) {
            std::fprintf(stderr, "cannot load %s\n", path.string().c_str());
            return false;
        }
        return true;
    }

    // A file the reader refuses: the status bar says why.
    void loadRefused(const std::filesystem::path& path) {
        requesters_.files.push_back({path.string(), 0});
        menu(MENU_LOAD_IMAGE);
    }

    void menu(int item) {
        menuEvent(item);
        settle();
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

    void quantizeWithKmeansDithered(int limit) {
        gui_.selectRow(GAD_METHOD, static_cast<int>(QuantizeMethod::Kmeans));
        control(GAD_METHOD);
        gui_.setValue(GAD_LIMIT, limit);
        control(GAD_LIMIT, gui::SPIN_STEPPED);
        gui_.setChecked(GAD_DITHER, true);
        control(GAD_APPLY);
    }

    void quantizeWithPopularityDithered() {
        gui_.selectRow(GAD_METHOD, 1);
        control(GAD_METHOD);
        gui_.setChecked(GAD_DITHER, true);
        control(GAD_APPLY);
    }

    // Opens an adjustment dialog, moves its slider (found by its place) to `position`, and
    // once the preview has followed takes the picture of the whole desktop; then cancels.
    bool shootPreviewDialog(const std::string& name, int item, WindowNumber window,
                            gui::Rect slider, int position) {
        bool ok = false;
        clock_.schedule(20, [this, window, slider, position] {
            const std::optional<ControlNumber> bar = gui_.controlAt(window, slider);
            if (!bar) return;
            gui_.setValue(*bar, position);
            gui::Event moved;
            moved.kind = gui::EventKind::Control;
            moved.window = window;
            moved.control = *bar;
            moved.type = gui::TRACK_MOVED;
            gui_.postEvent(moved);
        });
        clock_.schedule(500, [this, &ok, name, window] {
            ok = shoot(name);
            closeBox(window);
        });
        menu(item);
        return ok;
    }

    // Copies a rectangle of the picture, pastes it as a floating section, turns it, moves
    // it near `to` and takes the picture while it floats; then drops it with Esc.
    bool shootFloatingSection(const std::string& name, gui::Rect copied, gui::Point to) {
        const Image& picture = *state_.images.get(state_.imageInView);
        gui_.setClipboardImage(cropImage(picture, copied.x, copied.y, copied.width, copied.height));
        bool ok = false;
        clock_.schedule(10, [this] { menuEvent(MENU_RIGHT_KEY); });
        clock_.schedule(20, [this, to] { canvasEvent(gui::CANVAS_POINTER_MOVED, to, 0); });
        clock_.schedule(30, [this, &ok, name] {
            ok = shoot(name);
            canvasEvent(gui::CANVAS_KEY_DOWN, {}, gui::KEY_ESCAPE);
        });
        menu(MENU_PASTE_FLOATING);
        return ok;
    }

    // Opens a dialog from the menu, takes its picture alone and closes it with its close box.
    bool shootDialog(const std::string& name, int item, WindowNumber window) {
        bool ok = false;
        clock_.schedule(10, [this, &ok, name, window] {
            ok = shoot(name, window);
            closeBox(window);
        });
        menu(item);
        return ok;
    }

    // F1: the help window, taken alone, then closed.
    bool shootHelp(const std::string& name) {
        menu(MENU_HELP);
        const bool ok = gui_.windowExists(WIN_HELP) && shoot(name, WIN_HELP);
        gui_.closeWindow(WIN_HELP);
        return ok;
    }

    // Ctrl with the wheel turned `notches` over a canvas pixel.
    void zoomAt(gui::Point canvasPixel, int notches) {
        pointAt(canvasPixel);
        gui::Event wheel;
        wheel.kind = gui::EventKind::Control;
        wheel.window = WIN_MAIN;
        wheel.control = GAD_CANVAS;
        wheel.type = gui::CANVAS_WHEEL;
        wheel.delta = notches;
        wheel.modifiers = gui::MOD_CTRL;
        gui_.postEvent(wheel);
        settle();
    }

    // Ticks "Histogram" with the click a person makes.
    void showHistogram() {
        gui_.setChecked(GAD_HISTOGRAM, true);
        control(GAD_HISTOGRAM);
    }
    void hideHistogram() {
        gui_.setChecked(GAD_HISTOGRAM, false);
        control(GAD_HISTOGRAM);
    }

    // Drags a rectangle on the canvas from one pixel to another with the scripted clock.
    void select(gui::Point from, gui::Point to) {
        pointAt(from);
        clock_.schedule(100, [this, to] { pointAt(to); });
        clock_.schedule(200, [this] { gui_.postCustomEvent(EVT_CANVAS_LEFT_UP); });
        canvasPress(state_, GAD_CANVAS);
        settle();
    }

    // The main window with the tool windows that are open, each where it sits on the screen.
    Image grabDesktop() const {
        const gui::Rect main = gui_.innerRect(WIN_MAIN);
        int right = main.x + main.width, bottom = main.y + main.height;
        std::vector<std::pair<gui::Rect, Image>> windows;
        for (WindowNumber n : {WIN_MAIN, WIN_PALETTE, WIN_HISTOGRAM, WIN_TWO_COLORS,
                               WIN_BRIGHTNESS, WIN_CONTRAST, WIN_RESIZE_IMAGE,
                               WIN_RESIZE_CANVAS}) {
            if (!gui_.windowExists(n) || !gui_.isVisible(n)) continue;
            const gui::Rect r = gui_.innerRect(n);
            right = std::max(right, r.x + r.width);
            bottom = std::max(bottom, r.y + r.height);
            windows.emplace_back(r, gui_.grabWindow(n));
        }
        Image desktop(right - main.x + kMargin, bottom - main.y + kMargin, 24, 0xFF3C3C3C);
        DrawTarget target(desktop, DrawMode::AllChannels);
        for (const auto& [r, picture] : windows)
            target.drawImage(picture, r.x - main.x, r.y - main.y);
        return desktop;
    }

    // The main window with its tool windows, or one window alone.
    bool shoot(const std::string& name, std::optional<WindowNumber> only = std::nullopt) {
        const Image picture = only ? gui_.grabWindow(*only) : grabDesktop();
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
    void closeBox(WindowNumber window) {
        gui::Event close;
        close.kind = gui::EventKind::Close;
        close.window = window;
        gui_.postEvent(close);
    }

    void menuEvent(int item) {
        gui::Event event;
        event.kind = gui::EventKind::Menu;
        event.window = WIN_MAIN;
        event.menuItem = item;
        gui_.postEvent(event);
    }

    void canvasEvent(int type, gui::Point at, int keyCode) {
        gui::Event event;
        event.kind = gui::EventKind::Control;
        event.window = WIN_MAIN;
        event.control = GAD_CANVAS;
        event.type = type;
        event.x = at.x;
        event.y = at.y;
        event.keyCode = keyCode;
        gui_.postEvent(event);
    }

    void pointAt(gui::Point canvasPixel) {
        const gui::Point canvas = gui_.controlScreenPosition(GAD_CANVAS);
        const gui::Point shown = gui_.canvasPixelOnDisplay(GAD_CANVAS, canvasPixel);
        gui_.movePointer({canvas.x + shown.x, canvas.y + shown.y});
    }

    static constexpr int kMargin = 8;
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
    session.showHistogram();
    ok = session.shoot("5-histogram") && ok;
    ok = session.shootDialog("6-new-image-dialog", MENU_NEW_IMAGE, WIN_NEW_IMAGE) && ok;
    ok = session.shootPreviewDialog("7-brightness", MENU_BRIGHTNESS, WIN_BRIGHTNESS,
                                    {10, 25, 257, 25}, 170) && ok;
    ok = session.shootPreviewDialog("8-contrast", MENU_CONTRAST, WIN_CONTRAST,
                                    {15, 20, 201, 25}, 160) && ok;
    session.control(GAD_VIEW_REFERENCE);
    ok = session.shootPreviewDialog("9-two-colors", MENU_TWO_COLORS, WIN_TWO_COLORS,
                                    {15, 85, 257, 30}, 110) && ok;
    ok = session.shootFloatingSection("10-floating-section", {430, 120, 220, 160}, {560, 300}) &&
         ok;
    ok = session.shootDialog("11-add-text-dialog", MENU_ADD_TEXT, WIN_ADD_TEXT) && ok;
    ok = session.shootHelp("12-help") && ok;
    const auto damaged = std::filesystem::path(VD_SHARED_DIR) / "testdata/codecs/png/images";
    session.loadRefused(damaged / "xcsn0g01.png");
    ok = session.shoot("13-refused-file") && ok;
    session.quantizeWithKmeansDithered(16);
    ok = session.shoot("14-kmeans-16-dithered") && ok;
    const auto big = std::filesystem::path(VD_SHARED_DIR) / "testdata/bench/photo-12mp.png";
    if (!session.loadReference(big)) return 1;
    session.hideHistogram();
    session.menu(MENU_ZOOM_FIT);
    ok = session.shoot("15-zoom-fit") && ok;
    session.menu(MENU_ZOOM_ACTUAL);
    session.zoomAt({2050, 1420}, 5);
    session.select({2040, 1410}, {2059, 1425});
    ok = session.shoot("16-zoom-800-selection") && ok;
    return ok ? 0 : 1;
}
