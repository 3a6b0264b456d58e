#include "player/PlayerPlacement.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

constexpr QSize kPlayer(250, 170);
const QRect kWork(0, 0, 1280, 1000);

struct PlacementCase {
    const char* name;
    QRect workArea;
    QRect mainWindow;
    QSize player;
    QPoint expected;
};

void PrintTo(const PlacementCase& c, std::ostream* os) {
    *os << c.name;
}

class PlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTest, BesideWithoutCoveringRightLeftBelowAboveElseTheCorner) {
    const PlacementCase& c = GetParam();
    const QPoint at = PlaceBeside(c.mainWindow, c.player, c.workArea);
    EXPECT_EQ(at, c.expected) << at.x() << "," << at.y();
    const QRect placed(at, c.player);
    if (at != c.workArea.topLeft()) {
        const int gap = kPlacementGap;
        EXPECT_FALSE(placed.intersects(c.mainWindow.marginsAdded({gap, gap, gap, gap})));
        EXPECT_TRUE(c.workArea.contains(placed));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlacementTest,
    ::testing::Values(
        PlacementCase{"Right", kWork, {411, 306, 443, 397}, kPlayer, {862, 306}},
        PlacementCase{"RightTouchingTheEdge", kWork, {0, 0, 1022, 300}, kPlayer, {1030, 0}},
        PlacementCase{
            "RightMovedUpIntoTheWorkArea", kWork, {100, 900, 400, 100}, kPlayer, {508, 830}},
        PlacementCase{"Left", kWork, {900, 100, 380, 300}, kPlayer, {642, 100}},
        PlacementCase{"Below", kWork, {100, 100, 1100, 300}, kPlayer, {100, 408}},
        PlacementCase{
            "BelowMovedLeftIntoTheWorkArea", kWork, {1100, 0, 180, 500}, {1200, 170}, {80, 508}},
        PlacementCase{"Above", kWork, {100, 700, 1100, 300}, kPlayer, {100, 522}},
        PlacementCase{
            "NowhereGivesTheCorner", {0, 30, 1280, 970}, {0, 30, 1280, 970}, kPlayer, {0, 30}},
        PlacementCase{"TooLargeForTheWorkArea", kWork, {0, 0, 200, 200}, {1300, 1100}, {0, 0}},
        PlacementCase{
            "SecondScreen", {1280, 0, 1920, 1050}, {1700, 300, 500, 400}, kPlayer, {2208, 300}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ScreenCase {
    const char* name;
    QRect stored;
    bool used;
};

void PrintTo(const ScreenCase& c, std::ostream* os) {
    *os << c.name;
}

class OnScreenTest : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(OnScreenTest, AtLeast64By64OnOneScreen) {
    const QList<QRect> screens = {{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}};
    EXPECT_EQ(LiesOnScreens(GetParam().stored, screens), GetParam().used);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OnScreenTest,
    ::testing::Values(ScreenCase{"Inside", {100, 100, 400, 300}, true},
                      ScreenCase{"PartlyOffWith64Left", {-336, -236, 400, 300}, true},
                      ScreenCase{"PartlyOffWith63Left", {-337, 100, 400, 300}, false},
                      ScreenCase{"OnTheSecondScreen", {2000, 500, 400, 300}, true},
                      // 40 px on each screen: neither holds 64 of it.
                      ScreenCase{"AcrossTwoScreensThinly", {1240, 100, 80, 100}, false},
                      ScreenCase{"WhereNoScreenIs", {5000, 5000, 400, 300}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OnScreenTest, NoScreensNothingIsOnScreen) {
    EXPECT_FALSE(LiesOnScreens({0, 0, 400, 300}, {}));
}

} // namespace
} // namespace kestrova
