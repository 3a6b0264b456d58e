#include "engine/mpv/LoadPlanner.h"

#include <QTest>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

const std::string kServicePage = "http://www.youtube.com/v/Ab3dE5gH1jK";

// While the hardware is being asked which codecs it decodes, a service page waits for the
// answer instead of the caller; direct media never waits, and only the latest page is loaded.
TEST(LoadPlannerTest, AServicePageWaitsForTheHardwareNotTheCaller) {
    LoadPlanner planner(nullptr);
    planner.enableHardwareDecoding();
    std::vector<LoadPlanner::Load> loads;
    const auto record = [&](const LoadPlanner::Load& load) { loads.push_back(load); };

    planner.plan(kServicePage + "?first", record);
    planner.plan(kServicePage, record);
    planner.plan("http://127.0.0.1:8080/v/clip", record);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_FALSE(loads[0].service);

    planner.plan(kServicePage, record);
    ASSERT_TRUE(QTest::qWaitFor([&] { return loads.size() == 2; }, 10000));
    EXPECT_TRUE(loads[1].service);
    EXPECT_EQ(loads[1].plan.url, "ytdl://" + kServicePage);
    QTest::qWait(100);
    EXPECT_EQ(loads.size(), 2u);
}

} // namespace
} // namespace kestrova
