#include "app/DisplayPlatform.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct PlatformCase {
    const char* name;
    DisplayEnvironment environment; // QT_QPA_PLATFORM, WAYLAND_DISPLAY, DISPLAY, session type
    std::string chosen;             // empty: Qt's own choice
};

void PrintTo(const PlatformCase& c, std::ostream* os) {
    *os << c.name;
}

class DisplayPlatformTest : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(DisplayPlatformTest, ChoosesX11WhereTopMostWorks) {
    EXPECT_EQ(ChooseDisplayPlatform(GetParam().environment), GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DisplayPlatformTest,
    ::testing::Values(
        PlatformCase{"X11Session", {"", "", ":0", "x11"}, ""},
        PlatformCase{"NoSessionAtAll", {"", "", "", ""}, ""},
        PlatformCase{"WaylandWithXWayland", {"", "wayland-0", ":0", "wayland"}, "xcb"},
        PlatformCase{"WaylandSocketWithXWayland", {"", "wayland-0", ":1", ""}, "xcb"},
        PlatformCase{"WaylandSessionTypeWithXWayland", {"", "", ":1", "wayland"}, "xcb"},
        PlatformCase{"WaylandWithoutXWayland", {"", "wayland-0", "", "wayland"}, "wayland"},
        PlatformCase{"WaylandSocketOnly", {"", "wayland-1", "", ""}, "wayland"},
        PlatformCase{"UserChoiceStandsOnWayland", {"wayland", "wayland-0", ":0", "wayland"}, ""},
        PlatformCase{"UserChoiceStandsHeadless", {"offscreen", "wayland-0", ":0", ""}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TopMostNoteTest, OnlyWaylandItselfGetsTheNote) {
    EXPECT_TRUE(TopMostNote("wayland").has_value());
    EXPECT_TRUE(TopMostNote("wayland-egl").has_value());
    EXPECT_NE(TopMostNote("wayland")->find("Top Most"), std::string_view::npos);
    EXPECT_FALSE(TopMostNote("xcb").has_value());
    EXPECT_FALSE(TopMostNote("offscreen").has_value());
}

} // namespace
} // namespace kestrova
