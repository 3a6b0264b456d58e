#include "tests/support/BuildTreeEngine.h"
#include "tests/support/HangReport.h"

#include <cstdlib>

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    kestrova::test::ReportHangsAfter(std::chrono::seconds(120));
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Machines without a sound device would play without audio, and there would be no A/V
    // sync to check; SDL's dummy device keeps time like a real one.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    kestrova::test::UseBuildTreeEngine();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
