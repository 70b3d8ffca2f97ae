#pragma once

#include <memory>

namespace vd::gui {

// Owns Qt's application object; create one before any window and keep it for the run.
class Application {
  public:
    enum class Mode {
        Desktop,  // the real program on the user's screen
        Tests,    // offscreen platform, scale factor 1, test-mode paths, C locale
    };
    Application(int& argc, char** argv, Mode mode);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vd::gui
