#include "platform/gui/application.h"

#include <QApplication>
#include <QLocale>
#include <QStandardPaths>
#include <clocale>

namespace vd::gui {

struct Application::Impl {
    std::unique_ptr<QApplication> app;
};

namespace {
// The program places everything in pixels, as on a screen at 96 dots per inch.
void pinPixels(bool always) {
    if (always || !qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    if (always) qputenv("QT_SCALE_FACTOR", "1");
}
}  // namespace

Application::Application(int& argc, char** argv, Mode mode) : impl_(std::make_unique<Impl>()) {
    const bool tests = mode == Mode::Tests;
    if (tests) {
        // VD_TEST_PLATFORM=xcb runs the same tests on a real X server (under xvfb-run).
        const QByteArray platform = qgetenv("VD_TEST_PLATFORM");
        qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
        QStandardPaths::setTestModeEnabled(true);
    }
    pinPixels(tests);
    impl_->app = std::make_unique<QApplication>(argc, argv);
    // The program closes its windows itself; the last one closing is no reason to quit.
    QApplication::setQuitOnLastWindowClosed(false);
    // The installed desktop entry's name: desktops match the windows to it, and to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vandrell.Vandrell"));
    if (tests) {
        // QApplication takes the user's locale; tests read and write numbers the C way.
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(QLocale::c());
    }
}

Application::~Application() = default;

}  // namespace vd::gui
