#include "tests/support/HangReport.h"

#include <QApplication>

#include <gtest/gtest.h>

// The engine's parts ask the screen what fits it, so a widgets application runs the tests.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    kestrova::test::ReportHangsAfter(std::chrono::seconds(120));
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
