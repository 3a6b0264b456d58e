#include "tests/support/BuildTreeEngine.h"
#include "tests/support/HangReport.h"

#include <cstdlib>
#include <dlfcn.h>

#include <QApplication>

#include <gtest/gtest.h>

// Runs on the X server the environment gives (xvfb-run); without one the tests skip.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    kestrova::test::ReportHangsAfter(std::chrono::seconds(120));
    // Listing needs no X connection (and the sanitizer build's discovery runs without the
    // tests' environment, where Qt's start on X trips the strict string checks).
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsSet("DISPLAY") ? "xcb" : "offscreen");
    // Mesa unloads its driver before the leak check runs at exit; its caches would then be
    // reported from an unknown module that no suppression can name. Keep it loaded.
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE);
    // Machines without a sound device would play without audio, and there would be no A/V
    // sync to check; SDL's dummy device keeps time like a real one.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    kestrova::test::UseBuildTreeEngine();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
