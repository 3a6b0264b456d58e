#include "metadata/CurlLibrary.h"
#include "tests/support/BuildTreeEngine.h"
#include "tests/support/HangReport.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Test discovery runs the binary without the tests' environment; stay headless there too.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    kestrova::test::UseBuildTreeEngine();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    kestrova::test::ReportHangsAfter(std::chrono::seconds(120));
    const int status = RUN_ALL_TESTS();
    kestrova::FinishEnginePreload();
    kestrova::FinishCurlPreload();
    return status;
}
