#include "process/Signals.h"

#include "ModalRun.h"

#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct SignalCase {
    const char* name;
    int signal;
    bool debugMode;
    bool closes;
};

void PrintTo(const SignalCase& c, std::ostream* os) {
    *os << c.name;
}

class SignalsTest : public ::testing::TestWithParam<SignalCase> {};

TEST_P(SignalsTest, SignalClosesTheWindowLikeItsCloseBox) {
    QDialog window;
    window.setAttribute(Qt::WA_DontShowOnScreen);
    const SignalCloser closer(&window, GetParam().debugMode);
    const int result = test::RunModal(
        window,
        [&] {
            std::raise(GetParam().signal);
            if (!GetParam().closes) {
                // Give an unwanted close every chance to arrive, then end the run ourselves.
                QTimer::singleShot(300, &window, [&] { window.done(QDialog::Accepted); });
            }
        },
        5000);
    EXPECT_EQ(result, GetParam().closes ? QDialog::Rejected : QDialog::Accepted);
}

INSTANTIATE_TEST_SUITE_P(Table, SignalsTest,
                         ::testing::Values(SignalCase{"Term", SIGTERM, false, true},
                                           SignalCase{"HangUp", SIGHUP, false, true},
                                           SignalCase{"Interrupt", SIGINT, false, true},
                                           SignalCase{"TermInDebugMode", SIGTERM, true, true},
                                           SignalCase{"InterruptIgnoredInDebugMode", SIGINT, true,
                                                      false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SignalsRestoreTest, RemovingTheCloserRestoresThePreviousHandlers) {
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        struct sigaction before {};
        ::sigaction(sig, nullptr, &before);
        {
            QDialog window;
            const SignalCloser closer(&window, false);
        }
        struct sigaction after {};
        ::sigaction(sig, nullptr, &after);
        EXPECT_EQ(after.sa_handler, before.sa_handler) << sig;
    }
}

} // namespace
} // namespace kestrova
