#include "support/HangReport.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <execinfo.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kestrova::test {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<Clock::rep> g_deadline{Clock::time_point::max().time_since_epoch().count()};
std::atomic<const char*> g_testName{""};
pthread_t g_mainThread;

void write(const char* text) {
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, text, std::strlen(text));
}

// Runs on the main thread, wherever it is stuck.
void reportStack(int) {
    write("\n*** hang: ");
    write(g_testName.load());
    write(" has not ended in time; the main thread's stack:\n");
    void* frames[64];
    backtrace_symbols_fd(frames, backtrace(frames, 64), STDERR_FILENO);
    std::signal(SIGABRT, SIG_DFL);
    std::abort();
}

class Deadlines : public ::testing::EmptyTestEventListener {
public:
    explicit Deadlines(std::chrono::seconds limit)
        : m_limit(limit) {}

    void OnTestStart(const ::testing::TestInfo& test) override {
        m_name = std::string(test.test_suite_name()) + "." + test.name();
        g_testName = m_name.c_str();
        g_deadline = (Clock::now() + m_limit).time_since_epoch().count();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        g_deadline = Clock::time_point::max().time_since_epoch().count();
    }

private:
    std::chrono::seconds m_limit;
    std::string m_name;
};

} // namespace

void ReportHangsAfter(std::chrono::seconds limit) {
    g_mainThread = pthread_self();
    void* warmUp[1];
    backtrace(warmUp, 1); // loads what backtrace() needs now, not in the signal handler
    std::signal(SIGUSR2, reportStack);
    ::testing::UnitTest::GetInstance()->listeners().Append(new Deadlines(limit));
    std::thread([] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            if (Clock::now().time_since_epoch().count() > g_deadline.load()) {
                pthread_kill(g_mainThread, SIGUSR2);
                return;
            }
        }
    }).detach();
}

} // namespace kestrova::test
