#include "engine/mpv/FrameTime.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace std::chrono_literals;

constexpr int64_t kNowUs = 65'000'000; // the engine's clock, a minute into the run

struct FrameTimeCase {
    const char* name;
    int64_t target;
    std::chrono::milliseconds wait;
};

void PrintTo(const FrameTimeCase& c, std::ostream* os) {
    *os << c.name;
}

class FrameTimeTest : public ::testing::TestWithParam<FrameTimeCase> {};

TEST_P(FrameTimeTest, WaitsUntilTheFrameIsDueInEitherUnit) {
    EXPECT_EQ(UntilFrameTime(GetParam().target, kNowUs), GetParam().wait);
}

const FrameTimeCase kCases[] = {
    {"MicrosecondsAhead", kNowUs + 40'000, 40ms},
    {"NanosecondsAhead", (kNowUs + 40'000) * 1000, 40ms},
    {"MicrosecondsLate", kNowUs - 10'000, 0ms},
    {"NanosecondsLate", (kNowUs - 10'000) * 1000, 0ms},
    {"NoTime", 0, 0ms},
};

INSTANTIATE_TEST_SUITE_P(Table, FrameTimeTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
