#include <gtest/gtest.h>

#include "platform/gui/application.h"

int main(int argc, char** argv) {
    // Windows are real Qt widgets on the offscreen platform; the application object must
    // exist before the first of them.
    vd::gui::Application application(argc, argv, vd::gui::Application::Mode::Tests);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
