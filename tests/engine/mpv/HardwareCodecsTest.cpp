#include "engine/mpv/HardwareCodecProbe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(HardwareCodecsTest, NoneWithoutAWorkingRenderNode) {
    const test::TempDir dir;
    EXPECT_FALSE(ProbeHardwareCodecs(dir / "missing").any());
    EXPECT_FALSE(ProbeHardwareCodecs(dir.path()).any());
    // A file that only looks like a render node: the driver cannot start on it.
    test::WriteFileBytes(dir / "renderD128", "");
    EXPECT_FALSE(ProbeHardwareCodecs(dir.path()).any());
}

} // namespace
} // namespace kestrova
